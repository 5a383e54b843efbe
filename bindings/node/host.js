'use strict';
// A host on the simulated desktop: the user selects a word in Notes and the host prints events.
//   AXBRIDGE_LIBRARY=build/src/libaxbridge-sim.so node bindings/node/host.js
const axbridge = require('./axbridge');

const lib = axbridge.load();
lib.loadScenario({
  applications: [{pid: 501, bundle_id: 'com.example.notes', name: 'Notes', focused: 'body',
    elements: [{id: 'body', role: 'AXTextArea', frame: [120, 160, 760, 480],
      text_kind: 'native', text: 'Buy milk'}]}],
  timeline: [{at: 0.5, do: 'activate', pid: 501},
    {at: 1.0, do: 'select', element: 'body', range: [4, 4]}],
});
lib.initMacAccessibility((name, data) => console.log(name, JSON.stringify(data)));
lib.start({});
lib.runFor(2.0); // the run loop, for two virtual seconds
