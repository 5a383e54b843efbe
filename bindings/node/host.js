'use strict';
// A host on the simulated desktop: Notes comes to the front, its text area takes the focus, the
// user selects "milk"; the host asks for the context, replaces it and the user's clipboard stays.
//   AXBRIDGE_LIBRARY=build/src/libaxbridge-sim.so node bindings/node/host.js
const assert = require('node:assert/strict');
const axbridge = require('axbridge');

const lib = axbridge.load({simulated: true});
const copied = [[{type: 'public.utf8-plain-text', data: 'copied earlier'}]];
lib.loadScenario({pasteboard: copied,
  applications: [{pid: 501, bundle_id: 'com.example.notes', name: 'Notes', elements: [{id: 'body',
    role: 'AXTextArea', frame: [120, 160, 760, 480], text_kind: 'native', text: 'Buy milk'}]}],
  timeline: [{at: 0.5, do: 'activate', pid: 501}, {at: 1.0, do: 'focus', element: 'body'},
    {at: 1.5, do: 'select', element: 'body', range: [4, 4]}]});
const seen = [];
for (const name of ['app_changed', 'focused_changed', 'text_select']) {
  lib.on(name, (data) => seen.push(name) && console.log(name, JSON.stringify(data)));
}
lib.initMacAccessibility();
lib.start({});
lib.runFor(2.0); // the run loop, for two virtual seconds
assert.deepEqual(seen, ['app_changed', 'focused_changed', 'text_select']);
(async () => {
  const context = lib.getContext();
  lib.runFor(0.5);
  assert.equal((await context).selected_text, 'milk');
  lib.replace('bread');
  const {applications: [notes], pasteboard} = lib.state();
  assert.equal(notes.elements[0].text, 'Buy bread');
  // Given back as it was, marked with its source (none) as clipboard conventions ask.
  const text = (item) => item.filter(({type}) => type === 'public.utf8-plain-text');
  assert.deepEqual(pasteboard.items.map(text), copied);
  console.log('replaced "milk" with "bread", clipboard given back');
})();
