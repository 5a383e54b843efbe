"""Python binding of axbridge through ctypes: the eight entry points and, for the simulated
flavour (libaxbridge-sim), the axsim_ control API, with Python types.

    import axbridge
    lib = axbridge.load()                      # $AXBRIDGE_LIBRARY, or the platform's libaxbridge
    lib.initMacAccessibility(lambda name, data: print(name, data))
    lib.start({})

Events arrive as (name, data): the event name as str and its JSON payload parsed into a dict.
The library keeps the callbacks given to it alive for as long as the Library object lives, so a
lambda is fine. Call everything on the thread that called initMacAccessibility (the main
thread); only isAccessibiltyEnabled and showAccessibiltyPermisionPopup answer on any thread.
"""

import ctypes
import json
import os
import sys

_EVENT_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_char_p)
_DIAGNOSTIC_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_char_p)


class AxsimError(RuntimeError):
    """An axsim_ call refused or failed; the message is the library's axsim_last_error()."""


def default_library_path():
    """$AXBRIDGE_LIBRARY, else the real flavour under the platform's name for it."""
    path = os.environ.get("AXBRIDGE_LIBRARY")
    if path:
        return path
    return "libaxbridge.dylib" if sys.platform == "darwin" else "libaxbridge.so.0"


def _text(raw):
    return raw.decode("utf-8", errors="replace") if raw is not None else ""


def _json_text(value):
    return value if isinstance(value, str) else json.dumps(value)


class Library:
    """One loaded library. Both flavours have the eight entry points; the simulated one also has
    the methods below the entry points (load_scenario, run_for, ...)."""

    def __init__(self, path=None):
        self._lib = ctypes.CDLL(path or default_library_path())
        # Every ctypes callback handed to the library stays referenced here: a collected one
        # would crash the process at the next event.
        self._kept = []
        lib = self._lib
        for name, argtypes, restype in [
            ("initMacAccessibility", [_EVENT_CALLBACK], None),
            ("isAccessibiltyEnabled", [], ctypes.c_bool),
            ("showAccessibiltyPermisionPopup", [], ctypes.c_bool),
            ("start", [ctypes.c_char_p], None),
            ("setText", [ctypes.c_char_p], None),
            ("getDataForVeskAssist", [], None),
            ("focusPreiov", [], None),
            ("addMouseTracker", [ctypes.c_void_p], None),
        ]:
            function = getattr(lib, name)
            function.argtypes, function.restype = argtypes, restype
        self.simulated = hasattr(lib, "axsim_run_for")
        if self.simulated:
            for name, argtypes, restype in [
                ("axsim_reset", [], ctypes.c_int),
                ("axsim_load_scenario", [ctypes.c_char_p], ctypes.c_int),
                ("axsim_last_error", [], ctypes.c_char_p),
                ("axsim_set_host_callback", [_EVENT_CALLBACK], None),
                ("axsim_run", [], ctypes.c_int),
                ("axsim_run_for", [ctypes.c_double], ctypes.c_int),
                ("axsim_now", [], ctypes.c_double),
                ("axsim_state_json", [], ctypes.c_char_p),
                ("axsim_set_diagnostics_echo", [ctypes.c_int], None),
                ("axsim_set_diagnostic_callback", [_DIAGNOSTIC_CALLBACK], None),
                ("axsim_add_host_window",
                 [ctypes.c_char_p] + [ctypes.c_double] * 4, ctypes.c_void_p),
                ("axsim_host_window", [ctypes.c_char_p], ctypes.c_void_p),
            ]:
                function = getattr(lib, name)
                function.argtypes, function.restype = argtypes, restype

    # ---- The eight entry points

    def _event_callback(self, on_event):
        if on_event is None:
            return _EVENT_CALLBACK()

        def deliver(name, payload):
            # Both strings die when this returns: decoding copies them.
            on_event(_text(name), json.loads(_text(payload)))

        callback = _EVENT_CALLBACK(deliver)
        self._kept.append(callback)
        return callback

    def initMacAccessibility(self, on_event):
        """Registers on_event(name: str, data: dict) and creates the tracker."""
        self._lib.initMacAccessibility(self._event_callback(on_event))

    def isAccessibiltyEnabled(self):
        return bool(self._lib.isAccessibiltyEnabled())

    def showAccessibiltyPermisionPopup(self):
        return bool(self._lib.showAccessibiltyPermisionPopup())

    def start(self, blocked_fields=None):
        """Starts following; blocked_fields is a dict (or JSON text) of bundle id -> entry."""
        self._lib.start(_json_text(blocked_fields or {}).encode("utf-8"))

    def setText(self, text):
        self._lib.setText(text.encode("utf-8"))

    def getDataForVeskAssist(self):
        self._lib.getDataForVeskAssist()

    def focusPreiov(self):
        self._lib.focusPreiov()

    def addMouseTracker(self, window_handle):
        """window_handle: an NSWindow pointer as int on macOS, axsim's handle when simulated."""
        self._lib.addMouseTracker(window_handle)

    # ---- The simulated desktop (libaxbridge-sim only)

    def _check(self, ok):
        if not ok:
            raise AxsimError(_text(self._lib.axsim_last_error()))
        return ok

    def reset(self):
        self._check(self._lib.axsim_reset())

    def load_scenario(self, scenario):
        """Builds the desktop a scenario (dict or JSON text) describes; see docs/scenarios.md."""
        self._check(self._lib.axsim_load_scenario(_json_text(scenario).encode("utf-8")))

    def run(self):
        """Plays the loaded scenario to its end."""
        self._check(self._lib.axsim_run())

    def run_for(self, seconds):
        """Runs the main run loop for that many virtual seconds; events arrive meanwhile."""
        self._check(self._lib.axsim_run_for(float(seconds)))

    def now(self):
        return self._lib.axsim_now()

    def state(self):
        return json.loads(_text(self._lib.axsim_state_json()))

    def set_host_callback(self, on_event):
        """The callback that the scenario's own initMacAccessibility steps register."""
        self._lib.axsim_set_host_callback(self._event_callback(on_event))

    def set_diagnostics_echo(self, echo):
        self._lib.axsim_set_diagnostics_echo(1 if echo else 0)

    def on_diagnostic(self, on_line):
        """Calls on_line(line: str) for each diagnostic line (None: stop)."""
        if on_line is None:
            self._lib.axsim_set_diagnostic_callback(_DIAGNOSTIC_CALLBACK())
            return
        callback = _DIAGNOSTIC_CALLBACK(lambda line: on_line(_text(line)))
        self._kept.append(callback)
        self._lib.axsim_set_diagnostic_callback(callback)

    def add_host_window(self, window_id, x, y, width, height):
        """Opens one of the host's windows; returns its handle for addMouseTracker."""
        handle = self._lib.axsim_add_host_window(window_id.encode("utf-8"), x, y, width, height)
        return self._check(handle)

    def host_window(self, window_id):
        """The handle of an open host window, one of the scenario's included."""
        return self._check(self._lib.axsim_host_window(window_id.encode("utf-8")))


def load(path=None):
    return Library(path)
