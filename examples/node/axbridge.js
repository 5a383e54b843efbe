'use strict';
// Node.js binding of axbridge through koffi: the eight entry points and, for the simulated
// flavour (libaxbridge-sim), the axsim_ control API.
//
//   const axbridge = require('./axbridge');
//   const lib = axbridge.load();      // $AXBRIDGE_LIBRARY, or the platform's libaxbridge
//   lib.initMacAccessibility((name, data) => console.log(name, data));
//   lib.start({});
//
// Events arrive as (name, data): the event name and its JSON payload parsed into an object. The
// callbacks given to the library stay registered for as long as the process lives (or until
// close()), so any function will do. Call everything from the JS main thread; the library calls
// back on it, from inside the call that runs its run loop.
const koffi = require('koffi');

const EventCallback = koffi.proto('void AxbridgeEventCallback(const char *name, const char *json)');
const DiagnosticCallback = koffi.proto('void AxsimDiagnosticCallback(const char *line)');

class AxsimError extends Error {}

function defaultLibraryPath() {
  if (process.env.AXBRIDGE_LIBRARY) return process.env.AXBRIDGE_LIBRARY;
  return process.platform === 'darwin' ? 'libaxbridge.dylib' : 'libaxbridge.so.0';
}

const jsonText = (value) => (typeof value === 'string' ? value : JSON.stringify(value));

class Library {
  constructor(path = defaultLibraryPath()) {
    const lib = koffi.load(path);
    this._registered = []; // every callback the library may still call
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
  }

  _register(fn, type) {
    const handle = koffi.register(fn, koffi.pointer(type));
    this._registered.push(handle);
    return handle;
  }

  _eventCallback(onEvent) {
    if (!onEvent) return null;
    // The strings die when the callback returns: they arrive here already copied into JS.
    return this._register((name, json) => onEvent(name, JSON.parse(json)), EventCallback);
  }

  // ---- The eight entry points

  initMacAccessibility(onEvent) {
    this._c.initMacAccessibility(this._eventCallback(onEvent));
  }
  isAccessibiltyEnabled() {
    return this._c.isAccessibiltyEnabled();
  }
  showAccessibiltyPermisionPopup() {
    return this._c.showAccessibiltyPermisionPopup();
  }
  start(blockedFields = {}) {
    this._c.start(jsonText(blockedFields));
  }
  setText(text) {
    this._c.setText(text);
  }
  getDataForVeskAssist() {
    this._c.getDataForVeskAssist();
  }
  focusPreiov() {
    this._c.focusPreiov();
  }
  addMouseTracker(windowHandle) {
    this._c.addMouseTracker(windowHandle);
  }

  // ---- The simulated desktop (libaxbridge-sim only)

  _check(result) {
    if (!result) throw new AxsimError(this._c.lastError());
    return result;
  }
  reset() {
    this._check(this._c.reset());
  }
  loadScenario(scenario) {
    this._check(this._c.loadScenario(jsonText(scenario)));
  }
  run() {
    this._check(this._c.run());
  }
  runFor(seconds) {
    this._check(this._c.runFor(seconds));
  }
  now() {
    return this._c.now();
  }
  state() {
    return JSON.parse(this._c.stateJson());
  }
  setHostCallback(onEvent) {
    this._c.setHostCallback(this._eventCallback(onEvent));
  }
  setDiagnosticsEcho(echo) {
    this._c.setDiagnosticsEcho(echo ? 1 : 0);
  }
  onDiagnostic(onLine) {
    this._c.setDiagnosticCallback(onLine ? this._register(onLine, DiagnosticCallback) : null);
  }
  addHostWindow(id, x, y, width, height) {
    return this._check(this._c.addHostWindow(id, x, y, width, height));
  }
  hostWindow(id) {
    return this._check(this._c.hostWindow(id));
  }

  // Unregisters every callback: call it only once the library will call none of them again
  // (after axsim_reset, or when the process is about to end).
  close() {
    for (const handle of this._registered.splice(0)) koffi.unregister(handle);
  }
}

module.exports = { load: (path) => new Library(path), Library, AxsimError };
