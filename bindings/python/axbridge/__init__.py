"""Python binding of axbridge through ctypes: the eight entry points under snake_case names and,
for the simulated flavour (libaxbridge-sim), the axsim_ control API, with type hints.

    import axbridge
    lib = axbridge.load()                      # the real flavour; load(simulated=True): the other
    lib.init_accessibility(lambda name, data: print(name, data))
    lib.start({})

The library is $AXBRIDGE_LIBRARY when set, else the copy bundled in this package under
prebuilds/<platform>-<arch>/, else the system's (libaxbridge.so.0, libaxbridge.0.dylib); LoadError
names every path tried.

Events arrive as (name, data): the event name as str and its JSON payload parsed into a dict.
The module keeps every callback it handed to the library alive for as long as the library may
call it, even after the Library object is gone, so a lambda is fine. Call everything on the
thread that called init_accessibility (the main thread); only is_accessibility_enabled and
show_accessibility_permission_popup answer on any thread.

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
import pathlib
import platform
import sys
from typing import (Any, Callable, Dict, List, Literal, Optional, Tuple, TypedDict, TypeVar,
                    Union, cast, final)

# Called with no argument, each makes the null callback.
_EVENT_CALLBACK: Any = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_char_p)
_DIAGNOSTIC_CALLBACK: Any = ctypes.CFUNCTYPE(None, ctypes.c_char_p)


# ---- Payloads, as the library sends them (spellings included). Final, so that a test such as
# `"selected_text" in payload` narrows a union of them.

class _AppKeys(TypedDict, total=False):
    bundle_id: Optional[str]
    name: Optional[str]


@final
class AppInfo(_AppKeys):
    """"focused_changed": the followed application, or {} when none is followed yet."""


@final
class Position(TypedDict):
    x: float
    y: float


@final
class Size(TypedDict):
    width: float
    height: float


@final
class Selection(_AppKeys):
    """A selection ("text_select", "ui_reized", "alt_enter_pressed"): text and rectangle."""
    selected_text: str
    is_editable: bool
    position: Position
    size: Size


@final
class SelectionProblem(_AppKeys):
    """A selection without a rectangle: "something is wrong com" (with the application keys) or
    "something wrong rev" (without)."""
    message: str


@final
class CaretPosition(TypedDict):
    x: Optional[float]
    y: Optional[float]


@final
class CaretSize(TypedDict):
    width: Optional[float]
    height: Optional[float]


@final
class CaretContext(TypedDict):
    """"alt_enter_pressed" at a bare caret: the text above it; the numbers null together."""
    selected_text: str
    is_editable: bool
    position: CaretPosition
    size: CaretSize


@final
class AppChanged(TypedDict):
    """"app_changed"."""
    role: Optional[str]
    name: Optional[str]
    bundle_id: Optional[str]


@final
class Empty(TypedDict):
    """"caret", "mouse_hoverd", "clcicked_outside", and some "alt_enter_pressed" or
    "focused_changed"."""


@final
class ErrorPayload(TypedDict):
    """"error", which never reaches the host: an "alt_enter_pressed" takes its place."""
    message: str


EventName = Literal["app_changed", "focused_changed", "ui_reized", "text_select", "caret",
                    "alt_enter_pressed", "error", "mouse_hoverd", "clcicked_outside"]
Payload = Union[AppChanged, AppInfo, Selection, SelectionProblem, CaretContext, Empty,
                ErrorPayload]
EventCallback = Callable[[EventName, Payload], Any]
DiagnosticCallback = Callable[[str], Any]
Json = Union[Dict[str, Any], List[Any], str]
_Function = TypeVar("_Function", bound=Callable[..., Any])


class AxsimError(RuntimeError):
    """An axsim_ call refused or failed; the message is the library's axsim_last_error()."""


class LoadError(OSError):
    """No library could be loaded; the message names every path tried and AXBRIDGE_LIBRARY."""


def _system_name(simulated: bool) -> str:
    stem = "libaxbridge-sim" if simulated else "libaxbridge"
    return f"{stem}.0.dylib" if sys.platform == "darwin" else f"{stem}.so.0"


def _platform_folder() -> str:
    """prebuilds/ folder names as in the Node.js package: linux-x64, darwin-arm64, ..."""
    machine = platform.machine().lower()
    arch = {"x86_64": "x64", "amd64": "x64", "aarch64": "arm64", "i686": "ia32"}.get(
        machine, machine)
    return f"{sys.platform}-{arch}"


def candidate_paths(simulated: bool = False) -> List[str]:
    """$AXBRIDGE_LIBRARY alone when set; else the bundled copy, then the system's."""
    chosen = os.environ.get("AXBRIDGE_LIBRARY")
    if chosen:
        return [chosen]
    name = _system_name(simulated)
    bundled = pathlib.Path(__file__).resolve().parent / "prebuilds" / _platform_folder() / name
    return [str(bundled), name]


def _open_library(simulated: bool) -> ctypes.CDLL:
    tried = []
    for candidate in candidate_paths(simulated):
        try:
            return ctypes.CDLL(candidate)
        except OSError as error:
            tried.append(f"{candidate} ({error})")
    flavour = "simulated" if simulated else "real"
    variable = ("AXBRIDGE_LIBRARY names it" if os.environ.get("AXBRIDGE_LIBRARY")
                else "set AXBRIDGE_LIBRARY to its path")
    raise LoadError(f"cannot load the {flavour} axbridge library ({variable}); "
                    f"tried {', '.join(tried)}")


def _text(raw: Optional[bytes]) -> str:
    return raw.decode("utf-8", errors="replace") if raw is not None else ""


# ---- Arguments, checked before anything reaches the library

def _checked_text(argument: str, value: object) -> bytes:
    """UTF-8 bytes of a str without NUL (the library would see the text end at the NUL)."""
    if not isinstance(value, str):
        raise TypeError(f"{argument} must be a str, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{argument} must not contain NUL")
    try:
        return value.encode("utf-8")
    except UnicodeEncodeError as error:
        raise ValueError(f"{argument} is not valid Unicode: {error.reason}") from None


def _checked_json(argument: str, value: object) -> bytes:
    if isinstance(value, str):
        return _checked_text(argument, value)
    if not isinstance(value, (dict, list)):
        raise TypeError(f"{argument} must be a dict or JSON text, not {type(value).__name__}")
    try:
        return json.dumps(value, allow_nan=False).encode("utf-8")
    except (TypeError, ValueError) as error:
        raise type(error)(f"{argument} cannot be written as JSON: {error}") from None


def _checked_number(argument: str, value: object) -> float:
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


def _checked_window_handle(argument: str, value: object) -> int:
    """An int (or ctypes.c_void_p) naming the window: axsim's handle, an NSWindow or NSView pointer, or an XID."""
    if isinstance(value, ctypes.c_void_p):
        return value.value or 0
    if isinstance(value, bool):
        raise TypeError(f"{argument} must be an int, not bool")
    try:
        handle = operator.index(value)  # type: ignore[arg-type]
    except TypeError:
        raise TypeError(f"{argument} must be an int, not {type(value).__name__}") from None
    if not 0 <= handle < _POINTER_LIMIT:
        raise ValueError(f"{argument} must be a pointer-sized handle >= 0, not {handle}")
    return handle


def _checked_callback(argument: str, value: Any, optional: bool = False) -> Any:
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

_held: Dict[str, List[Any]] = {}  # slot -> the callbacks the library may hold there
_retired: List[Any] = []  # replaced, freed when the outermost call returns
_depth = 0  # calls into the library and deliveries under way
_pending_stop: Optional[BaseException] = None  # KeyboardInterrupt or SystemExit from a callback


def _hold(slot: str, callback: Any) -> None:
    _retired.extend(_held.pop(slot, []))
    if callback:
        _held[slot] = [callback]


class _LibraryCall:
    """Around each call into the library: frees what was retired and raises a KeyboardInterrupt
    or SystemExit from a callback, once the outermost call returns."""

    def __enter__(self) -> None:
        global _depth
        _depth += 1

    def __exit__(self, *_: object) -> None:
        global _depth, _pending_stop
        _depth -= 1
        if _depth == 0:
            _retired.clear()
            if _pending_stop is not None:
                stop, _pending_stop = _pending_stop, None
                raise stop


def _calls_library(method: _Function) -> _Function:
    @functools.wraps(method)
    def call(*args: Any, **kwargs: Any) -> Any:
        with _LibraryCall():
            return method(*args, **kwargs)

    return cast(_Function, call)


def _delivering(function: Callable[..., Any]) -> Callable[..., None]:
    """Wraps a callback: a KeyboardInterrupt or SystemExit waits for the end of the call into the
    library, since ctypes would print it and drop it."""

    def deliver(*args: Any) -> None:
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


def _declare(lib: ctypes.CDLL, signatures: List[Tuple[str, List[Any], Any]]) -> None:
    for name, argtypes, restype in signatures:
        function = getattr(lib, name)
        function.argtypes, function.restype = argtypes, restype


class Library:
    """One loaded library. Both flavours have the eight entry points, under snake_case names; the
    simulated one also has the methods below them (load_scenario, run_for, ...)."""

    simulated: bool
    """Whether the axsim_ API (the simulated desktop) is there."""

    def __init__(self, lib: ctypes.CDLL) -> None:
        self._lib = lib
        _declare(lib, [
            ("initMacAccessibility", [_EVENT_CALLBACK], None),
            ("isAccessibiltyEnabled", [], ctypes.c_bool),
            ("showAccessibiltyPermisionPopup", [], ctypes.c_bool),
            ("start", [ctypes.c_char_p], None),
            ("setText", [ctypes.c_char_p], None),
            ("getDataForVeskAssist", [], None),
            ("focusPreiov", [], None),
            ("addMouseTracker", [ctypes.c_void_p], None),
        ])
        self.simulated = hasattr(lib, "axsim_run_for")
        if self.simulated:
            _declare(lib, [
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
            ])

    # ---- The eight entry points

    @staticmethod
    def _event_callback(on_event: Optional[EventCallback]) -> Any:
        if on_event is None:
            return _EVENT_CALLBACK()
        handler = on_event

        def deliver(name: Optional[bytes], payload: Optional[bytes]) -> None:
            # Both strings die when this returns: decoding copies them.
            handler(cast(EventName, _text(name)), json.loads(_text(payload)))

        return _EVENT_CALLBACK(_delivering(deliver))

    @_calls_library
    def init_accessibility(self, on_event: EventCallback) -> None:
        """initMacAccessibility: registers on_event(name, payload) and creates the tracker."""
        callback = self._event_callback(_checked_callback("on_event", on_event))
        self._lib.initMacAccessibility(callback)
        _hold("event", callback)

    def is_accessibility_enabled(self) -> bool:
        """isAccessibiltyEnabled: whether the process may use the accessibility interface."""
        return bool(self._lib.isAccessibiltyEnabled())

    def show_accessibility_permission_popup(self) -> bool:
        """showAccessibiltyPermisionPopup: the same answer, asking the system to prompt the user."""
        return bool(self._lib.showAccessibiltyPermisionPopup())

    @_calls_library
    def start(self, blocked_fields: Optional[Json] = None) -> None:
        """start: follows the frontmost application; blocked_fields is a dict (or JSON text) of
        bundle id -> {"name": attribute, "value": text} whose fields are never reported."""
        blocked = {} if blocked_fields is None else blocked_fields
        self._lib.start(_checked_json("blocked_fields", blocked))

    @_calls_library
    def set_text(self, text: str) -> None:
        """setText: replaces the selection in the followed application by pasting; blocks for
        1.2 s or more, and gives the clipboard back."""
        self._lib.setText(_checked_text("text", text))

    @_calls_library
    def get_assistant_data(self) -> None:
        """getDataForVeskAssist: the answer comes as an "alt_enter_pressed" event, or none."""
        self._lib.getDataForVeskAssist()

    @_calls_library
    def focus_previous(self) -> None:
        """focusPreiov: brings the followed application back to the front."""
        self._lib.focusPreiov()

    @_calls_library
    def add_mouse_tracker(self, window_handle: Union[int, ctypes.c_void_p]) -> None:
        """addMouseTracker: watches the mouse over one of the host's windows, given as an
        NSWindow or NSView pointer on macOS, an X11 window id on Linux, axsim's handle when
        simulated."""
        self._lib.addMouseTracker(_checked_window_handle("window_handle", window_handle))

    # ---- The simulated desktop (libaxbridge-sim only)

    def _check(self, ok: Any) -> Any:
        if not ok:
            raise AxsimError(_text(self._lib.axsim_last_error()))
        return ok

    @_calls_library
    def reset(self) -> None:
        """axsim_reset."""
        self._check(self._lib.axsim_reset())

    @_calls_library
    def load_scenario(self, scenario: Json) -> None:
        """axsim_load_scenario: builds the desktop a scenario (dict or JSON text) describes; see
        docs/scenarios.md."""
        self._check(self._lib.axsim_load_scenario(_checked_json("scenario", scenario)))

    @_calls_library
    def run(self) -> None:
        """axsim_run: plays the loaded scenario to its end."""
        self._check(self._lib.axsim_run())

    @_calls_library
    def run_for(self, seconds: float) -> None:
        """axsim_run_for: runs the main run loop for that many virtual seconds; events arrive
        meanwhile."""
        self._check(self._lib.axsim_run_for(_checked_number("seconds", seconds)))

    @_calls_library
    def now(self) -> float:
        """axsim_now: the virtual clock, in seconds."""
        return float(self._lib.axsim_now())

    @_calls_library
    def state(self) -> Dict[str, Any]:
        """axsim_state_json: the desktop's state."""
        return cast(Dict[str, Any], json.loads(_text(self._lib.axsim_state_json())))

    @_calls_library
    def set_host_callback(self, on_event: Optional[EventCallback]) -> None:
        """axsim_set_host_callback: the callback that the scenario's own initMacAccessibility
        steps register."""
        callback = self._event_callback(_checked_callback("on_event", on_event, optional=True))
        self._lib.axsim_set_host_callback(callback)
        # A scenario step may have handed the previous one to the library's event slot.
        _held.setdefault("event", []).extend(_held.pop("host", []))
        _hold("host", callback)

    @_calls_library
    def set_diagnostics_echo(self, echo: bool) -> None:
        """axsim_set_diagnostics_echo: whether diagnostic lines also go to standard output."""
        self._lib.axsim_set_diagnostics_echo(1 if echo else 0)

    @_calls_library
    def on_diagnostic(self, on_line: Optional[DiagnosticCallback]) -> None:
        """axsim_set_diagnostic_callback: calls on_line(line) for each diagnostic line (None:
        stop)."""
        _checked_callback("on_line", on_line, optional=True)
        callback = _DIAGNOSTIC_CALLBACK()
        if on_line is not None:
            handler = on_line
            callback = _DIAGNOSTIC_CALLBACK(_delivering(lambda line: handler(_text(line))))
        self._lib.axsim_set_diagnostic_callback(callback)
        _hold("diagnostic", callback)

    @_calls_library
    def add_host_window(self, window_id: str, x: float, y: float, width: float,
                        height: float) -> int:
        """axsim_add_host_window: opens one of the host's windows; returns its handle for
        add_mouse_tracker."""
        frame = [_checked_number(name, value) for name, value in
                 [("x", x), ("y", y), ("width", width), ("height", height)]]
        return cast(int, self._check(
            self._lib.axsim_add_host_window(_checked_text("window_id", window_id), *frame)))

    @_calls_library
    def host_window(self, window_id: str) -> int:
        """axsim_host_window: the handle of an open host window, one of the scenario's
        included."""
        return cast(int, self._check(
            self._lib.axsim_host_window(_checked_text("window_id", window_id))))


def load(*, simulated: bool = False) -> Library:
    """The real flavour, or with simulated=True libaxbridge-sim: from $AXBRIDGE_LIBRARY when set,
    else the copy bundled in the package, else the system's. Raises LoadError naming every path
    tried."""
    lib = Library(_open_library(simulated))
    if simulated and not lib.simulated:
        raise LoadError(f"{os.environ.get('AXBRIDGE_LIBRARY')} (AXBRIDGE_LIBRARY) is the real "
                        "flavour: it has no simulated desktop")
    return lib
