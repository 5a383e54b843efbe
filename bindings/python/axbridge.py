"""Python binding of axbridge through ctypes: the eight entry points and, for the simulated
flavour (libaxbridge-sim), the axsim_ control API, with Python types.

    import axbridge
    lib = axbridge.load()                      # $AXBRIDGE_LIBRARY, or the platform's libaxbridge
    lib.initMacAccessibility(lambda name, data: print(name, data))
    lib.start({})

Events arrive as (name, data): the event name as str and its JSON payload parsed into a dict.
The module keeps every callback it handed to the library alive for as long as the library may
call it, even after the Library object is gone, so a lambda is fine. Call everything on the
thread that called initMacAccessibility (the main thread); only isAccessibiltyEnabled and
showAccessibiltyPermisionPopup answer on any thread.

Every argument is checked before it reaches the library: a wrong type raises TypeError, a wrong
value (text with NUL, a number that is not finite, a negative handle) ValueError, naming the
argument. A KeyboardInterrupt or SystemExit raised in a callback is raised again once the
outermost call into this module returns; other exceptions are printed by ctypes.
"""

import ctypes
import functools
import json
import math
import numbers
import operator
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


# ---- Arguments, checked before anything reaches the library

def _checked_text(argument, value):
    """UTF-8 bytes of a str without NUL (the library would see the text end at the NUL)."""
    if not isinstance(value, str):
        raise TypeError(f"{argument} must be a str, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{argument} must not contain NUL")
    try:
        return value.encode("utf-8")
    except UnicodeEncodeError as error:
        raise ValueError(f"{argument} is not valid Unicode: {error.reason}") from None


def _checked_json(argument, value):
    if isinstance(value, str):
        return _checked_text(argument, value)
    if not isinstance(value, (dict, list)):
        raise TypeError(f"{argument} must be a dict or JSON text, not {type(value).__name__}")
    try:
        return json.dumps(value, allow_nan=False).encode("utf-8")
    except (TypeError, ValueError) as error:
        raise type(error)(f"{argument} cannot be written as JSON: {error}") from None


def _checked_number(argument, value):
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{argument} must be a number, not {type(value).__name__}")
    try:
        number = float(value)
    except OverflowError:
        number = math.inf
    if not math.isfinite(number):
        raise ValueError(f"{argument} must be finite, not {value}")
    return number


_POINTER_LIMIT = 1 << (8 * ctypes.sizeof(ctypes.c_void_p))


def _checked_window_handle(argument, value):
    """An int (or ctypes.c_void_p) naming the window: axsim's handle, or an NSWindow pointer."""
    if isinstance(value, ctypes.c_void_p):
        return value.value or 0
    if isinstance(value, bool):
        raise TypeError(f"{argument} must be an int, not bool")
    try:
        handle = operator.index(value)
    except TypeError:
        raise TypeError(f"{argument} must be an int, not {type(value).__name__}") from None
    if not 0 <= handle < _POINTER_LIMIT:
        raise ValueError(f"{argument} must be a pointer-sized handle >= 0, not {handle}")
    return handle


def _checked_callback(argument, value, optional=False):
    if callable(value) or (optional and value is None):
        return value
    expected = "a callable or None" if optional else "a callable"
    raise TypeError(f"{argument} must be {expected}, not {type(value).__name__}")


# ---- Callbacks the library holds
#
# A ctypes callback that Python has freed crashes the process when the library calls it. They are
# kept here, by the library's slot that holds them, rather than in a Library object (a host may
# drop that while the library still calls back). One that the library no longer holds is freed
# only once no call into the library is under way: a callback may have replaced itself.

_held = {}  # slot -> the callbacks the library may hold there
_retired = []  # replaced, freed when the outermost call returns
_depth = 0  # calls into the library and deliveries under way
_pending_stop = None  # KeyboardInterrupt or SystemExit raised in a callback


def _hold(slot, callback):
    _retired.extend(_held.pop(slot, []))
    if callback:
        _held[slot] = [callback]


class _LibraryCall:
    """Around each call into the library: frees what was retired and raises a KeyboardInterrupt
    or SystemExit from a callback, once the outermost call returns."""

    def __enter__(self):
        global _depth
        _depth += 1

    def __exit__(self, *_):
        global _depth, _pending_stop
        _depth -= 1
        if _depth == 0:
            _retired.clear()
            if _pending_stop is not None:
                stop, _pending_stop = _pending_stop, None
                raise stop


def _calls_library(method):
    @functools.wraps(method)
    def call(*args, **kwargs):
        with _LibraryCall():
            return method(*args, **kwargs)

    return call


def _delivering(function):
    """Wraps a callback: a KeyboardInterrupt or SystemExit waits for the end of the call into the
    library, since ctypes would print it and drop it."""

    def deliver(*args):
        global _depth, _pending_stop
        _depth += 1
        try:
            function(*args)
        except (KeyboardInterrupt, SystemExit) as stop:
            if _pending_stop is None:
                _pending_stop = stop
        finally:
            _depth -= 1

    return deliver


class Library:
    """One loaded library. Both flavours have the eight entry points; the simulated one also has
    the methods below the entry points (load_scenario, run_for, ...)."""

    def __init__(self, path=None):
        self._lib = ctypes.CDLL(path or default_library_path())
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

    @staticmethod
    def _event_callback(on_event):
        if on_event is None:
            return _EVENT_CALLBACK()

        def deliver(name, payload):
            # Both strings die when this returns: decoding copies them.
            on_event(_text(name), json.loads(_text(payload)))

        return _EVENT_CALLBACK(_delivering(deliver))

    @_calls_library
    def initMacAccessibility(self, on_event):
        """Registers on_event(name: str, data: dict) and creates the tracker."""
        callback = self._event_callback(_checked_callback("on_event", on_event))
        self._lib.initMacAccessibility(callback)
        _hold("event", callback)

    def isAccessibiltyEnabled(self):
        return bool(self._lib.isAccessibiltyEnabled())

    def showAccessibiltyPermisionPopup(self):
        return bool(self._lib.showAccessibiltyPermisionPopup())

    @_calls_library
    def start(self, blocked_fields=None):
        """Starts following; blocked_fields is a dict (or JSON text) of bundle id -> entry."""
        blocked = {} if blocked_fields is None else blocked_fields
        self._lib.start(_checked_json("blocked_fields", blocked))

    @_calls_library
    def setText(self, text):
        self._lib.setText(_checked_text("text", text))

    @_calls_library
    def getDataForVeskAssist(self):
        self._lib.getDataForVeskAssist()

    @_calls_library
    def focusPreiov(self):
        self._lib.focusPreiov()

    @_calls_library
    def addMouseTracker(self, window_handle):
        """window_handle: an NSWindow pointer as int on macOS, axsim's handle when simulated."""
        self._lib.addMouseTracker(_checked_window_handle("window_handle", window_handle))

    # ---- The simulated desktop (libaxbridge-sim only)

    def _check(self, ok):
        if not ok:
            raise AxsimError(_text(self._lib.axsim_last_error()))
        return ok

    @_calls_library
    def reset(self):
        self._check(self._lib.axsim_reset())

    @_calls_library
    def load_scenario(self, scenario):
        """Builds the desktop a scenario (dict or JSON text) describes; see docs/scenarios.md."""
        self._check(self._lib.axsim_load_scenario(_checked_json("scenario", scenario)))

    @_calls_library
    def run(self):
        """Plays the loaded scenario to its end."""
        self._check(self._lib.axsim_run())

    @_calls_library
    def run_for(self, seconds):
        """Runs the main run loop for that many virtual seconds; events arrive meanwhile."""
        self._check(self._lib.axsim_run_for(_checked_number("seconds", seconds)))

    @_calls_library
    def now(self):
        return self._lib.axsim_now()

    @_calls_library
    def state(self):
        return json.loads(_text(self._lib.axsim_state_json()))

    @_calls_library
    def set_host_callback(self, on_event):
        """The callback that the scenario's own initMacAccessibility steps register."""
        callback = self._event_callback(_checked_callback("on_event", on_event, optional=True))
        self._lib.axsim_set_host_callback(callback)
        # A scenario step may have handed the previous one to the library's event slot.
        _held.setdefault("event", []).extend(_held.pop("host", []))
        _hold("host", callback)

    @_calls_library
    def set_diagnostics_echo(self, echo):
        self._lib.axsim_set_diagnostics_echo(1 if echo else 0)

    @_calls_library
    def on_diagnostic(self, on_line):
        """Calls on_line(line: str) for each diagnostic line (None: stop)."""
        _checked_callback("on_line", on_line, optional=True)
        callback = (_DIAGNOSTIC_CALLBACK(_delivering(lambda line: on_line(_text(line))))
                    if on_line else _DIAGNOSTIC_CALLBACK())
        self._lib.axsim_set_diagnostic_callback(callback)
        _hold("diagnostic", callback)

    @_calls_library
    def add_host_window(self, window_id, x, y, width, height):
        """Opens one of the host's windows; returns its handle for addMouseTracker."""
        frame = [_checked_number(name, value) for name, value in
                 [("x", x), ("y", y), ("width", width), ("height", height)]]
        return self._check(
            self._lib.axsim_add_host_window(_checked_text("window_id", window_id), *frame))

    @_calls_library
    def host_window(self, window_id):
        """The handle of an open host window, one of the scenario's included."""
        return self._check(self._lib.axsim_host_window(_checked_text("window_id", window_id)))


def load(path=None):
    return Library(path)
