'use strict';
// Node.js binding of axbridge through koffi: the eight entry points, an EventEmitter face with a
// promise for the assistant context and, for the simulated flavour (libaxbridge-sim), the axsim_
// control API.
//
//   const axbridge = require('axbridge');
//   const lib = axbridge.load();      // the real flavour; load({simulated: true}) for the other
//   lib.on('text_select', (selection) => console.log(selection.selected_text));
//   lib.initMacAccessibility();
//   lib.start({});
//
// Events arrive as (name, data): the event name and its JSON payload parsed into an object, to the
// callback given to initMacAccessibility and as events of the emitter. The callback the library
// holds stays registered until another takes its place (or until close()), so any function will
// do. Call everything from the JS main thread; the library calls back on it, from inside the call
// that runs its run loop.
//
// Every argument is checked before it reaches the library (a TypeError names the one refused):
// koffi would turn a number into a pointer to read text from, and a Buffer into its own address.
const {EventEmitter} = require('node:events');
const os = require('node:os');
const path = require('node:path');
const koffi = require('koffi');

const EventCallback = koffi.proto('void AxbridgeEventCallback(const char *name, const char *json)');
const DiagnosticCallback = koffi.proto('void AxsimDiagnosticCallback(const char *line)');

class AxsimError extends Error {}

// No library could be loaded: the message names every path tried and AXBRIDGE_LIBRARY.
class LoadError extends Error {}

// No "alt_enter_pressed" came within a second of the library's clock.
class ContextTimeoutError extends Error {
  constructor() {
    super('no "alt_enter_pressed" within 1 s: the focused field gives no context (not a text ' +
          'area, empty, blocked) or a later event took the answer\'s place');
    this.code = 'ETIMEDOUT';
  }
}
for (const type of [AxsimError, LoadError, ContextTimeoutError]) type.prototype.name = type.name;

const contextTimeoutSeconds = 1.0;

// The system's name of each flavour (its SONAME, or install name on macOS).
function systemName(simulated) {
  const stem = simulated ? 'libaxbridge-sim' : 'libaxbridge';
  return process.platform === 'darwin' ? `${stem}.0.dylib` : `${stem}.so.0`;
}

// $AXBRIDGE_LIBRARY alone when set; else the copy bundled for this platform, then the system's.
function candidatePaths(simulated) {
  const chosen = process.env.AXBRIDGE_LIBRARY;
  if (chosen) return [chosen];
  const name = systemName(simulated);
  return [path.join(__dirname, 'prebuilds', `${process.platform}-${process.arch}`, name), name];
}

function openLibrary(simulated) {
  const tried = [];
  for (const candidate of candidatePaths(simulated)) {
    try {
      return koffi.load(candidate);
    } catch (error) {
      tried.push(`${candidate} (${error.message})`);
    }
  }
  const flavour = simulated ? 'simulated' : 'real';
  const variable = process.env.AXBRIDGE_LIBRARY ?
      'AXBRIDGE_LIBRARY names it' : 'set AXBRIDGE_LIBRARY to its path';
  throw new LoadError(
      `cannot load the ${flavour} axbridge library (${variable}); tried ${tried.join(', ')}`);
}

const kindOf = (value) => (value === null ? 'null' : Array.isArray(value) ? 'array' : typeof value);
const refuse = (argument, expected, value) =>
  new TypeError(`${argument} must be ${expected}, not ${kindOf(value)}`);

function checkText(argument, value) {
  if (typeof value !== 'string') throw refuse(argument, 'a string', value);
  if (value.includes('\0')) throw new TypeError(`${argument} must not contain NUL`);
  return value;
}

function checkFinite(argument, value) {
  if (typeof value !== 'number') throw refuse(argument, 'a number', value);
  if (!Number.isFinite(value)) throw new TypeError(`${argument} must be finite, not ${value}`);
  return value;
}

function checkJson(argument, value) {
  if (typeof value === 'string') return checkText(argument, value);
  const expected = 'an object or JSON text';
  if (value === null || typeof value !== 'object') throw refuse(argument, expected, value);
  let json;
  try {
    json = JSON.stringify(value);
  } catch (error) {
    throw new TypeError(`${argument} cannot be written as JSON: ${error.message}`);
  }
  if (typeof json !== 'string') throw refuse(argument, expected, value);
  return json;
}

const pointerSize = koffi.sizeof('void *');
const pointerLimit = 1n << BigInt(8 * pointerSize);

// A number, a bigint, or a Buffer holding the handle in its first word (the form native window
// handles take in Node): passed as a bigint, never as the Buffer's own address.
function checkWindowHandle(argument, value) {
  let handle;
  if (typeof value === 'bigint') {
    handle = value;
  } else if (typeof value === 'number') {
    if (!Number.isSafeInteger(value)) {
      throw new TypeError(`${argument} must be an integer, not ${value}`);
    }
    handle = BigInt(value);
  } else if (Buffer.isBuffer(value)) {
    if (value.length < pointerSize) {
      throw new TypeError(
          `${argument} must hold a handle of ${pointerSize} bytes, not ${value.length}`);
    }
    const little = os.endianness() === 'LE';
    handle = pointerSize === 8 ? (little ? value.readBigUInt64LE(0) : value.readBigUInt64BE(0))
                               : BigInt(little ? value.readUInt32LE(0) : value.readUInt32BE(0));
  } else {
    throw refuse(argument, 'a number, a bigint or a Buffer', value);
  }
  if (handle < 0n || handle >= pointerLimit) throw new TypeError(`${argument} is out of range`);
  return handle;
}

function checkCallback(argument, value, {optional = false} = {}) {
  if (typeof value === 'function' || (optional && value == null)) return value;
  throw refuse(argument, optional ? 'a function or null' : 'a function', value);
}

class Library extends EventEmitter {
  constructor(lib) {
    super();
    this._held = new Map(); // slot -> the koffi callbacks the library may call through it
    this._retired = []; // replaced: unregistered once the outermost call into the package returns
    this._depth = 0; // calls into the library and deliveries under way
    this._onError = null;
    this._initialised = false; // initMacAccessibility called (since the last reset)
    this._context = null; // the pending getContext(): {promise, resolve, reject, deadline, timer}
    this._c = {
      initMacAccessibility: lib.func('void initMacAccessibility(AxbridgeEventCallback *cb)'),
      isAccessibiltyEnabled: lib.func('bool isAccessibiltyEnabled()'),
      showAccessibiltyPermisionPopup: lib.func('bool showAccessibiltyPermisionPopup()'),
      start: lib.func('void start(const char *blocked)'),
      setText: lib.func('void setText(const char *text)'),
      getDataForVeskAssist: lib.func('void getDataForVeskAssist()'),
      focusPreiov: lib.func('void focusPreiov()'),
      addMouseTracker: lib.func('void addMouseTracker(void *window)'),
    };
    try {
      Object.assign(this._c, {
        reset: lib.func('int axsim_reset()'),
        loadScenario: lib.func('int axsim_load_scenario(const char *json)'),
        lastError: lib.func('const char *axsim_last_error()'),
        setHostCallback: lib.func('void axsim_set_host_callback(AxbridgeEventCallback *cb)'),
        run: lib.func('int axsim_run()'),
        runFor: lib.func('int axsim_run_for(double seconds)'),
        now: lib.func('double axsim_now()'),
        stateJson: lib.func('const char *axsim_state_json()'),
        setDiagnosticsEcho: lib.func('void axsim_set_diagnostics_echo(int echo)'),
        setDiagnosticCallback: lib.func(
          'void axsim_set_diagnostic_callback(AxsimDiagnosticCallback *cb)'),
        addHostWindow: lib.func(
          'void *axsim_add_host_window(const char *id, double x, double y, double w, double h)'),
        hostWindow: lib.func('void *axsim_host_window(const char *id)'),
      });
      this.simulated = true;
    } catch {
      this.simulated = false; // the real flavour: the eight entry points only
    }
    for (const [name, fn] of Object.entries(this._c)) this._c[name] = this._outermost(fn);
  }

  // Runs fn counted as a call under way; a replaced callback is unregistered only once none is (a
  // callback may have replaced itself, and koffi must not free one that is running).
  _outermost(fn) {
    return (...args) => {
      this._depth++;
      try {
        return fn(...args);
      } finally {
        if (--this._depth === 0) {
          for (const handle of this._retired.splice(0)) koffi.unregister(handle);
        }
      }
    };
  }

  // The library holds one callback per slot: the one it held before is retired.
  _hold(slot, handle) {
    this._retired.push(...(this._held.get(slot) ?? []));
    this._held.set(slot, handle ? [handle] : []);
  }

  // An error thrown by a callback is reported and goes no further, so that the library goes on
  // delivering the events after it (koffi would hold it back until the library returns and drop
  // everything meanwhile).
  _register(fn, type) {
    const deliver = this._outermost((...args) => this._guard(() => fn(...args)));
    return koffi.register(deliver, koffi.pointer(type));
  }

  _report(error) {
    if (this._onError) {
      try {
        this._onError(error);
        return;
      } catch (handlerError) {
        error = handlerError;
      }
    }
    const cause = error;
    const warning = new Error(`an axbridge callback threw: ${error?.stack ?? error}`, {cause});
    warning.name = 'AxbridgeCallbackError';
    process.emitWarning(warning);
  }

  // The strings die when the callback returns: they arrive here already copied into JS. The
  // callback, the pending context and each of the emitter's listeners get the event, whatever the
  // others throw (emit() would stop at the first listener that throws).
  _eventCallback(onEvent) {
    return this._register((name, json) => {
      const data = JSON.parse(json);
      if (name === 'alt_enter_pressed') this._answerContext(data);
      if (onEvent) this._guard(() => onEvent(name, data));
      // rawListeners: a once() listener is removed as it is called.
      for (const listener of this.rawListeners(name)) this._guard(() => listener.call(this, data));
    }, EventCallback);
  }

  _guard(fn) {
    try {
      fn();
    } catch (error) {
      this._report(error);
    }
  }

  // ---- The promise face

  // The next "alt_enter_pressed" payload, or a ContextTimeoutError after 1 s of the library's
  // clock (the virtual one when simulated). Calls while one is pending share its answer.
  getContext() {
    if (this._context) return this._context.promise;
    if (!this._initialised && !this._held.get('host')?.length) {
      return Promise.reject(new Error('getContext() before initMacAccessibility(): the library ' +
                                      'has no tracker to answer it'));
    }
    const context = {deadline: this._clock() + contextTimeoutSeconds, timer: null};
    context.promise = new Promise((resolve, reject) => Object.assign(context, {resolve, reject}));
    this._context = context;
    if (!this.simulated) {
      // The simulated clock moves only in runFor and run, which check the deadline.
      context.timer = setTimeout(() => this._settleContext(new ContextTimeoutError()),
                                 contextTimeoutSeconds * 1000);
    }
    this._c.getDataForVeskAssist();
    return context.promise;
  }

  // Replaces the selection in the followed application (setText): blocks for 1.2 s or more.
  replace(text) {
    this.setText(text);
  }

  // The library's clock, in seconds: the virtual one on the simulated desktop.
  _clock() {
    return this.simulated ? this._c.now() : performance.now() / 1000;
  }

  _answerContext(data) {
    if (!this._context) return;
    const late = this._clock() > this._context.deadline; // the main thread was held up
    this._settleContext(late ? new ContextTimeoutError() : null, data);
  }

  _expireContext() {
    if (this._context && this.simulated && this._clock() >= this._context.deadline) {
      this._settleContext(new ContextTimeoutError());
    }
  }

  _settleContext(error, data) {
    const context = this._context;
    if (!context) return;
    this._context = null;
    clearTimeout(context.timer);
    if (error) context.reject(error);
    else context.resolve(data);
  }

  // Receives every error thrown by a callback (null: process.emitWarning, the default).
  onError(onError) {
    this._onError = checkCallback('onError', onError, {optional: true});
  }

  // ---- The eight entry points

  initMacAccessibility(onEvent) {
    checkCallback('onEvent', onEvent, {optional: true});
    const handle = this._eventCallback(onEvent);
    this._c.initMacAccessibility(handle);
    this._hold('event', handle);
    this._initialised = true;
  }
  isAccessibiltyEnabled() {
    return this._c.isAccessibiltyEnabled();
  }
  showAccessibiltyPermisionPopup() {
    return this._c.showAccessibiltyPermisionPopup();
  }
  start(blockedFields = {}) {
    this._c.start(checkJson('blockedFields', blockedFields));
  }
  setText(text) {
    this._c.setText(checkText('text', text));
  }
  getDataForVeskAssist() {
    this._c.getDataForVeskAssist();
  }
  focusPreiov() {
    this._c.focusPreiov();
  }
  addMouseTracker(windowHandle) {
    this._c.addMouseTracker(checkWindowHandle('windowHandle', windowHandle));
  }

  // ---- The simulated desktop (libaxbridge-sim only)

  _check(result) {
    if (!result) throw new AxsimError(this._c.lastError());
    return result;
  }
  reset() {
    this._check(this._c.reset());
    this._abandonContext();
  }
  loadScenario(scenario) {
    this._check(this._c.loadScenario(checkJson('scenario', scenario)));
    this._abandonContext();
  }
  // A reset starts a new desktop and clock: the pending context's answer cannot come.
  _abandonContext() {
    this._initialised = false; // the library forgot its tracker
    this._settleContext(new AxsimError('the desktop was reset before the context came'));
  }
  run() {
    try {
      this._check(this._c.run());
    } finally {
      this._expireContext();
    }
  }
  runFor(seconds) {
    checkFinite('seconds', seconds);
    try {
      this._check(this._c.runFor(seconds));
    } finally {
      this._expireContext();
    }
  }
  now() {
    return this._c.now();
  }
  state() {
    return JSON.parse(this._c.stateJson());
  }
  setHostCallback(onEvent) {
    checkCallback('onEvent', onEvent, {optional: true});
    const handle = onEvent ? this._eventCallback(onEvent) : null;
    this._c.setHostCallback(handle);
    // A scenario step may have handed the previous one to the library's event slot.
    this._held.set('event', [...(this._held.get('event') ?? []), ...(this._held.get('host') ?? [])]);
    this._hold('host', handle);
  }
  setDiagnosticsEcho(echo) {
    this._c.setDiagnosticsEcho(echo ? 1 : 0);
  }
  onDiagnostic(onLine) {
    checkCallback('onLine', onLine, {optional: true});
    const handle = onLine ? this._register(onLine, DiagnosticCallback) : null;
    this._c.setDiagnosticCallback(handle);
    this._hold('diagnostic', handle);
  }
  addHostWindow(id, x, y, width, height) {
    for (const [name, value] of Object.entries({x, y, width, height})) checkFinite(name, value);
    return this._check(this._c.addHostWindow(checkText('id', id), x, y, width, height));
  }
  hostWindow(id) {
    return this._check(this._c.hostWindow(checkText('id', id)));
  }

  // Unregisters every callback: call it only once the library will call none of them again
  // (after axsim_reset, or when the process is about to end).
  close() {
    const held = [...this._held.values()].flat();
    this._held.clear();
    for (const handle of [...this._retired.splice(0), ...held]) koffi.unregister(handle);
    this._settleContext(new Error('the library was closed before the context came'));
  }
}

// load() opens the real flavour, load({simulated: true}) the simulated one (see candidatePaths).
function load(options = {}) {
  if (options === null || typeof options !== 'object') {
    throw refuse('options', 'an object', options);
  }
  const simulated = Boolean(options.simulated);
  const lib = new Library(openLibrary(simulated));
  if (simulated && !lib.simulated) {
    throw new LoadError(`${process.env.AXBRIDGE_LIBRARY} (AXBRIDGE_LIBRARY) is the real ` +
                        'flavour: it has no simulated desktop');
  }
  return lib;
}

module.exports = {load, Library, AxsimError, LoadError, ContextTimeoutError};
