"""Python binding of axbridge through ctypes: the eight entry points under snake_case names and,
for the simulated flavour (libaxbridge-sim), the axsim_ control API, with type hints.

    import axbridge
    with axbridge.load() as lib:               # the real flavour; load(simulated=True): the other
        lib.init_accessibility(lambda name, data: print(name, data))
        lib.on("text_select", lambda selection: print(selection))   # typed by the event's name
        lib.start({})
        context = lib.get_context()            # a concurrent.futures.Future

The library is $AXBRIDGE_LIBRARY when set, else the copy bundled in this package under
prebuilds/<platform>-<arch>/, else the system's (libaxbridge.so.0, libaxbridge.0.dylib); LoadError
names every path tried.

Events arrive as (name, data): the event name as str and its JSON payload parsed into a dict,
to the callback given to init_accessibility and to the listeners of that event (lib.on). The
module keeps every callback it handed to the library alive for as long as the library may call
it, even after the Library object is gone, so a lambda is fine. Call everything on the main
thread (on the simulated desktop, the thread that started it); elsewhere a call raises
WrongThreadError. Only is_accessibility_enabled and show_accessibility_permission_popup answer
on any thread.

Every argument is checked before it reaches the library: a wrong type raises TypeError, a wrong
value (text with NUL, a number that is not finite, a negative handle, a blocked list nested
deeper than the library reads) ValueError, naming the argument. A KeyboardInterrupt or
SystemExit raised in a callback is raised again once the outermost call into this module
returns; other exceptions go to the function given to on_error, or are printed on stderr.
"""

import concurrent.futures
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
import threading
import time
import traceback
from types import TracebackType
from typing import (Any, Callable, Dict, List, Literal, Optional, Tuple, Type, TypedDict,
                    TypeVar, Union, cast, final, overload)

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
SelectionSnapshot = Union[Selection, SelectionProblem]
""""text_select" and "ui_reized"."""
ContextPayload = Union[Selection, SelectionProblem, CaretContext, Empty]
""""alt_enter_pressed": what get_context() gives."""
# Typed, or as plain JSON: a callback taking (str, Dict[str, Any]) is a callback too.
EventCallback = Union[Callable[[EventName, Payload], Any], Callable[[str, Dict[str, Any]], Any]]
DiagnosticCallback = Callable[[str], Any]
Json = Union[Dict[str, Any], List[Any], str]
_Function = TypeVar("_Function", bound=Callable[..., Any])


class AxsimError(RuntimeError):
    """An axsim_ call refused or failed; the message is the library's axsim_last_error()."""


class LoadError(OSError):
    """No library could be loaded; the message names every path tried and AXBRIDGE_LIBRARY."""


class WrongThreadError(RuntimeError):
    """A call from a thread other than the library's main thread, which the library ignores."""


class ContextTimeoutError(TimeoutError):
    """No "alt_enter_pressed" came within a second of the library's clock."""

    def __init__(self) -> None:
        super().__init__('no "alt_enter_pressed" within 1 s: the focused field gives no context '
                         "(not a text area, empty, blocked) or a later event took the answer's "
                         "place")


_CONTEXT_TIMEOUT = 1.0  # seconds of the library's clock


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


_MAX_NESTING = 64  # arrays and objects inside one another, as deep as the library reads


def _nests_too_deeply(value: object) -> bool:
    """Without recursion: json.dumps would raise RecursionError on a deep value."""
    pending = [(value, 1)]
    while pending:
        item, depth = pending.pop()
        if isinstance(item, (dict, list)):
            if depth > _MAX_NESTING:
                return True  # a value that holds itself ends here too
            pending.extend((child, depth + 1)
                           for child in (item.values() if isinstance(item, dict) else item))
    return False


def _checked_json(argument: str, value: object) -> bytes:
    if isinstance(value, str):
        return _checked_text(argument, value)
    if not isinstance(value, (dict, list)):
        raise TypeError(f"{argument} must be a dict or JSON text, not {type(value).__name__}")
    if _nests_too_deeply(value):
        raise ValueError(f"{argument} nests more than {_MAX_NESTING} lists or dicts")
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
_sim_main_thread: Optional[int] = None  # the simulated desktop's main thread, once claimed


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


def _check_thread(lib: "Library", function: str) -> None:
    """The library ignores a call off its main thread: the process's main thread, or on the
    simulated desktop the thread that first started the library or ran the desktop since it
    was reset. Refused here, with an exception."""
    global _sim_main_thread
    if lib._closed:
        raise ValueError(f"{function} on a closed Library")
    if not lib.simulated:
        main = threading.main_thread().ident
    else:
        if _sim_main_thread is None and function in ("init_accessibility", "run", "run_for"):
            _sim_main_thread = threading.get_ident()
        main = _sim_main_thread
    if main is not None and threading.get_ident() != main:
        raise WrongThreadError(f"{function} called off the main thread")


def _calls_library(method: _Function) -> _Function:
    @functools.wraps(method)
    def call(lib: "Library", *args: Any, **kwargs: Any) -> Any:
        _check_thread(lib, method.__name__)
        with _LibraryCall():
            return method(lib, *args, **kwargs)

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


class _PendingContext:
    def __init__(self, deadline: float) -> None:
        self.deadline = deadline
        self.future: "concurrent.futures.Future[ContextPayload]" = concurrent.futures.Future()
        self.future.set_running_or_notify_cancel()  # settled here only: it cannot be cancelled
        self.timer: Optional[threading.Timer] = None


class Library:
    """One loaded library. Both flavours have the eight entry points, under snake_case names; the
    simulated one also has the methods below them (load_scenario, run_for, ...). Closing it (or
    leaving its with block) stops its callbacks and listeners."""

    simulated: bool
    """Whether the axsim_ API (the simulated desktop) is there."""

    def __init__(self, lib: ctypes.CDLL) -> None:
        self._lib = lib
        self._closed = False
        self._initialised = False  # init_accessibility called (since the last reset)
        self._listeners: Dict[str, List[Callable[[Any], Any]]] = {}
        self._on_error: Optional[Callable[[Exception], Any]] = None
        self._context: Optional[_PendingContext] = None
        self._context_lock = threading.Lock()  # the real flavour's timeout fires on a timer thread
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

    def __enter__(self) -> "Library":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    def close(self) -> None:
        """Stops delivering to this object's callbacks and listeners (the library keeps calling
        what it holds: there is no stop), fails a pending get_context(), and refuses further
        calls with ValueError. Closing twice does nothing."""
        if self._closed:
            return
        self._settle_context(RuntimeError("the Library was closed before the context came"))
        self._closed = True
        self._listeners.clear()

    # ---- Events: callbacks, listeners, errors

    def _event_callback(self, on_event: Optional[Callable[..., Any]]) -> Any:
        def deliver(raw_name: Optional[bytes], raw_payload: Optional[bytes]) -> None:
            if self._closed:
                return
            # Both strings die when this returns: decoding copies them.
            name, data = _text(raw_name), json.loads(_text(raw_payload))
            if name == "alt_enter_pressed":
                self._answer_context(data)
            if on_event is not None:
                self._guard(on_event, name, data)
            for listener in list(self._listeners.get(name, [])):
                self._guard(listener, data)

        return _EVENT_CALLBACK(_delivering(deliver))

    def _guard(self, function: Callable[..., Any], *args: Any) -> None:
        """Each callback and listener gets the event whatever another raised."""
        try:
            function(*args)
        except Exception as error:  # noqa: BLE001 (reported, and the library goes on)
            self._report(error)

    def _report(self, error: Exception) -> None:
        if self._on_error is not None:
            try:
                self._on_error(error)
                return
            except Exception as hook_error:  # noqa: BLE001
                error = hook_error
        print("Exception in an axbridge callback:", file=sys.stderr)
        traceback.print_exception(type(error), error, error.__traceback__, file=sys.stderr)

    def on_error(self, on_error: Optional[Callable[[Exception], Any]]) -> None:
        """Receives every exception a callback or listener raises (None: printed on stderr). A
        KeyboardInterrupt or SystemExit is raised again instead, once the call delivering it
        returns."""
        self._on_error = _checked_callback("on_error", on_error, optional=True)

    @overload
    def on(self, name: Literal["app_changed"], listener: Callable[[AppChanged], Any]) -> None: ...
    @overload
    def on(self, name: Literal["focused_changed"],
           listener: Callable[[Union[AppInfo, Empty]], Any]) -> None: ...
    @overload
    def on(self, name: Literal["text_select", "ui_reized"],
           listener: Callable[[SelectionSnapshot], Any]) -> None: ...
    @overload
    def on(self, name: Literal["alt_enter_pressed"],
           listener: Callable[[ContextPayload], Any]) -> None: ...
    @overload
    def on(self, name: Literal["caret", "mouse_hoverd", "clcicked_outside"],
           listener: Callable[[Empty], Any]) -> None: ...
    @overload
    def on(self, name: Literal["error"], listener: Callable[[ErrorPayload], Any]) -> None: ...

    def on(self, name: str, listener: Callable[[Any], Any]) -> None:
        """Calls listener(payload) for each event of that name, typed by the name, after the
        callback given to init_accessibility."""
        _checked_text("name", name)
        self._listeners.setdefault(name, []).append(_checked_callback("listener", listener))

    def off(self, name: str, listener: Callable[[Any], Any]) -> None:
        """Removes a listener that on() added (once per call)."""
        listeners = self._listeners.get(name, [])
        if listener in listeners:
            listeners.remove(listener)

    # ---- The context future

    def _clock(self) -> float:
        return float(self._lib.axsim_now()) if self.simulated else time.monotonic()

    @_calls_library
    def get_context(self) -> "concurrent.futures.Future[ContextPayload]":
        """Asks for the assistant context and returns at once a Future of the next
        "alt_enter_pressed" payload. It fails with ContextTimeoutError when none comes within 1 s
        of the library's clock (the virtual one when simulated, checked when run or run_for
        returns), with AxsimError when the simulated desktop is reset first, and at once with
        RuntimeError before init_accessibility. Calls while one is pending share its Future."""
        context = self._context
        if context is not None:
            return context.future
        context = _PendingContext(self._clock() + _CONTEXT_TIMEOUT)
        if not self._initialised and not _held.get("host"):
            context.future.set_exception(RuntimeError(
                "get_context() before init_accessibility(): the library has no tracker to "
                "answer it"))
            return context.future
        self._context = context
        if not self.simulated:
            context.timer = threading.Timer(_CONTEXT_TIMEOUT, self._settle_context,
                                            [ContextTimeoutError(), None, context])
            context.timer.daemon = True
            context.timer.start()
        self.get_assistant_data()
        return context.future

    def _answer_context(self, data: Any) -> None:
        context = self._context
        if context is not None:
            late = self._clock() > context.deadline  # the main thread was held up
            self._settle_context(ContextTimeoutError() if late else None, data)

    def _expire_context(self) -> None:
        context = self._context
        if context is not None and self.simulated and self._clock() >= context.deadline:
            self._settle_context(ContextTimeoutError())

    def _settle_context(self, error: Optional[BaseException], data: Any = None,
                        only: Optional[_PendingContext] = None) -> None:
        with self._context_lock:
            context = self._context
            if context is None or (only is not None and context is not only):
                return
            self._context = None
        if context.timer is not None:
            context.timer.cancel()
        if error is not None:
            context.future.set_exception(error)
        else:
            context.future.set_result(cast(ContextPayload, data))

    # ---- The eight entry points

    @_calls_library
    def init_accessibility(self, on_event: Optional[EventCallback] = None) -> None:
        """initMacAccessibility: registers on_event(name, payload), if any, beside the
        listeners, and creates the tracker."""
        _checked_callback("on_event", on_event, optional=True)
        callback = self._event_callback(on_event)
        self._lib.initMacAccessibility(callback)
        _hold("event", callback)
        self._initialised = True

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

    def _restarted(self) -> None:
        """A reset forgets the library's tracker and main thread; the pending context's answer
        cannot come."""
        global _sim_main_thread
        _sim_main_thread = None
        self._initialised = False
        self._settle_context(AxsimError("the desktop was reset before the context came"))

    @_calls_library
    def reset(self) -> None:
        """axsim_reset."""
        self._check(self._lib.axsim_reset())
        self._restarted()

    @_calls_library
    def load_scenario(self, scenario: Json) -> None:
        """axsim_load_scenario: builds the desktop a scenario (dict or JSON text) describes; see
        docs/scenarios.md."""
        self._check(self._lib.axsim_load_scenario(_checked_json("scenario", scenario)))
        self._restarted()

    @_calls_library
    def run(self) -> None:
        """axsim_run: plays the loaded scenario to its end."""
        try:
            self._check(self._lib.axsim_run())
        finally:
            self._expire_context()

    @_calls_library
    def run_for(self, seconds: float) -> None:
        """axsim_run_for: runs the main run loop for that many virtual seconds; events arrive
        meanwhile."""
        try:
            self._check(self._lib.axsim_run_for(_checked_number("seconds", seconds)))
        finally:
            self._expire_context()

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
        _checked_callback("on_event", on_event, optional=True)
        callback = _EVENT_CALLBACK()
        if on_event is not None:
            callback = self._event_callback(on_event)
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

            def deliver(line: Optional[bytes]) -> None:
                if not self._closed:
                    self._guard(handler, _text(line))

            callback = _DIAGNOSTIC_CALLBACK(_delivering(deliver))
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
