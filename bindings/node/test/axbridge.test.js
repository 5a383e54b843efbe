'use strict';
// The Node.js package on the simulated flavour: events with parsed payloads, the context promise,
// the host's window, refusals as exceptions, arguments checked first, errors in callbacks reported,
// the library looked for. The library comes from AXBRIDGE_LIBRARY (default: build/'s simulated
// flavour).
const assert = require('node:assert/strict');
const path = require('node:path');
const {test, beforeEach} = require('node:test');

process.env.AXBRIDGE_LIBRARY ??=
  path.join(__dirname, '..', '..', '..', 'build', 'src', 'libaxbridge-sim.so');
const axbridge = require('../axbridge');

const lib = axbridge.load({simulated: true});
assert.ok(lib.simulated, 'the tests need the simulated flavour (libaxbridge-sim)');

const notes = {
  pid: 501, bundle_id: 'com.example.notes', name: 'Notes', focused: 'body',
  elements: [
    {id: 'window', role: 'AXWindow', frame: [100, 100, 800, 600]},
    {id: 'body', role: 'AXTextArea', window: 'window', frame: [120, 160, 760, 480],
      text_kind: 'native', text: 'Buy milk'},
  ],
};
const desktop = (...steps) => ({
  applications: [notes], pointer: [500, 400],
  timeline: [{at: 0.5, do: 'activate', pid: 501}, ...steps],
});

beforeEach(() => {
  lib.onError(null);
  lib.setDiagnosticsEcho(false);
  lib.setHostCallback(null);
  lib.onDiagnostic(null);
  lib.reset();
});

test('events arrive by name with parsed payloads, non-ASCII text round-trips, ' +
    'a window of the host reports the pointer', () => {
  const events = [];
  lib.loadScenario(desktop({at: 1.0, do: 'select', element: 'body', range: [4, 4]},
      {at: 1.3, do: 'type', element: 'body', text: 'Grüße 😀'},
      {at: 1.5, do: 'select', element: 'body', range: [4, 8]},
      {at: 1.8, do: 'move_pointer', to: [1000, 300]}));
  const window = lib.addHostWindow('assistant', 940, 100, 360, 600);
  assert.equal(lib.hostWindow('assistant'), window);
  lib.initMacAccessibility((name, data) => events.push({at: lib.now(), name, data}));
  lib.start({});
  const nativeHandle = Buffer.alloc(8); // the form native window handles take in Node
  nativeHandle.writeBigUInt64LE(window);
  lib.addMouseTracker(nativeHandle);
  lib.runFor(2.5);
  assert.deepEqual(events.map((e) => e.name),
      ['app_changed', 'text_select', 'caret', 'text_select', 'mouse_hoverd']);
  assert.deepEqual(events[0].data,
      {bundle_id: 'com.example.notes', name: 'Notes', role: 'AXApplication'});
  assert.ok(Math.abs(events[1].at - 1.18) < 1e-9);
  assert.deepEqual(events[1].data.position, {x: 152, y: 164});
  assert.equal(events[3].data.selected_text, 'Grüße 😀');
  assert.deepEqual(events[4].data, {});
});

test('arguments of the wrong kind are refused, naming them', () => {
  for (const [call, argument] of [
    [() => lib.setText(12345678), 'text'], [() => lib.setText('Buy\0milk'), 'text'],
    [() => lib.initMacAccessibility('x'), 'onEvent'], [() => lib.onDiagnostic(1), 'onLine'],
    [() => lib.addMouseTracker(-1), 'windowHandle'],
    [() => lib.addMouseTracker(1n << 64n), 'windowHandle'],
    [() => lib.start(42), 'blockedFields'], [() => lib.runFor(NaN), 'seconds'],
    [() => lib.addHostWindow('w', 0, 0, Infinity, 1), 'width'],
  ]) {
    assert.throws(call, {name: 'TypeError', message: new RegExp(`^${argument} `)});
  }
});

test('a throwing callback or listener is reported and the others still get events', (t) => {
  const names = [];
  const errors = [];
  lib.loadScenario(desktop({at: 1.0, do: 'select', element: 'body', range: [4, 4]}));
  for (let i = 0; i < 8200; i++) lib.initMacAccessibility(() => {}); // koffi holds 8192 at most
  lib.initMacAccessibility((name) => {
    names.push(name);
    throw new Error(name);
  });
  lib.once('app_changed', (app) => {
    throw new Error(app.name);
  });
  lib.once('app_changed', () => names.push('the next listener'));
  lib.onError((error) => errors.push(error.message));
  lib.start({});
  lib.runFor(2.0);
  assert.deepEqual(names, ['app_changed', 'the next listener', 'text_select']);
  assert.deepEqual(errors, ['app_changed', 'Notes', 'text_select']);

  const warn = t.mock.method(process, 'emitWarning', () => {});
  lib.onError(null);
  lib.onDiagnostic((line) => {
    throw new Error(line);
  });
  lib.focusPreiov();
  assert.match(warn.mock.calls[0].arguments[0].message, /threw: Error: hello/);
});

test('refusals throw with the library\'s reason', () => {
  assert.throws(() => lib.loadScenario({timeline: [{at: 1, do: 'fly'}]}), /timeline/);

  const refusals = [];
  lib.loadScenario(desktop());
  lib.initMacAccessibility(() => {
    try {
      lib.reset();
    } catch (error) {
      assert.ok(error instanceof axbridge.AxsimError);
      refusals.push(error.message);
    }
  });
  lib.start({});
  lib.runFor(1.0);
  assert.equal(refusals.length, 1);
  assert.match(refusals[0], /playing/);
});

test('the context promise: the next answer, shared, or a timeout after 1 s', async () => {
  const select = (at, range) => ({at, do: 'select', element: 'body', range});
  const settled = () => new Promise(setImmediate); // once the promise's reactions have run
  const timeout = 'ContextTimeoutError';
  await assert.rejects(lib.getContext(), /^Error: getContext\(\) before initMacAccessibility/);
  for (const [steps, host, after09, after11] of [
    [[select(1.5, [4, 4])], () => {}, 'milk', 'milk'],
    // The single event slot: a later event takes the answer's place, and none comes.
    [[select(1.5, [4, 4]), select(2.05, [0, 3])], () => {}, 'pending', timeout],
    // The run loop in another mode past the deadline: the answer comes late.
    [[select(1.5, [4, 4]), {at: 2.1, run_loop_mode: 'modal', for: 1.5}], () => lib.runFor(2.0),
      timeout, timeout],
  ]) {
    lib.loadScenario(desktop(...steps));
    lib.initMacAccessibility();
    lib.start({});
    lib.runFor(2.0);
    let outcome = 'pending';
    const context = lib.getContext();
    context.then((data) => (outcome = data.selected_text), (error) => (outcome = error.name));
    assert.equal(lib.getContext(), context);
    host();
    lib.runFor(0.9);
    await settled();
    assert.equal(outcome, after09);
    lib.runFor(0.2);
    await settled();
    assert.equal(outcome, after11);
  }
});

test('a library found nowhere is refused, naming every path tried and the variable', (t) => {
  const chosen = process.env.AXBRIDGE_LIBRARY;
  t.after(() => (process.env.AXBRIDGE_LIBRARY = chosen));
  const quote = (text) => text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
  const refusal = (variable, ...paths) => ({name: 'LoadError', message: new RegExp(
      `^cannot load the real axbridge library \\(${variable}\\); ` +
      `tried ${paths.map((tried) => `${quote(tried)} \\(.+\\)`).join(', ')}$`)});
  process.env.AXBRIDGE_LIBRARY = '/nowhere/libaxbridge.so.0';
  assert.throws(() => axbridge.load(),
      refusal('AXBRIDGE_LIBRARY names it', '/nowhere/libaxbridge.so.0'));
  // The real flavour (the simulated one is loaded here already: the loader knows its name).
  delete process.env.AXBRIDGE_LIBRARY;
  const file = process.platform === 'darwin' ? 'libaxbridge.0.dylib' : 'libaxbridge.so.0';
  const folder = path.join(__dirname, '..', 'prebuilds', `${process.platform}-${process.arch}`);
  assert.throws(() => axbridge.load(),
      refusal('set AXBRIDGE_LIBRARY to its path', path.join(folder, file), file));
});
