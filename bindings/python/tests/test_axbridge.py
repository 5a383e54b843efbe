"""The Python package on the simulated flavour: events with parsed payloads, the host's window,
callbacks kept alive, refusals as exceptions, arguments checked first, the library looked for."""
import concurrent.futures
import functools
import json
import math
import pathlib
import platform
import re
import subprocess
import sys

import pytest

import axbridge

NOTES = {
    "pid": 501, "bundle_id": "com.example.notes", "name": "Notes",
    "elements": [
        {"id": "window", "role": "AXWindow", "frame": [100, 100, 800, 600]},
        {"id": "body", "role": "AXTextArea", "window": "window", "frame": [120, 160, 760, 480],
         "text_kind": "native", "text": "Buy milk"},
    ],
    "focused": "body",
}


def desktop(*steps):
    return {"applications": [NOTES], "pointer": [500, 400],
            "timeline": [{"at": 0.5, "do": "activate", "pid": 501}, *steps]}


@pytest.fixture(scope="module")
def lib():
    return axbridge.load(simulated=True)


@pytest.fixture
def events(lib):
    lib.set_diagnostics_echo(False)
    lib.set_host_callback(None)
    lib.on_diagnostic(None)
    lib.reset()
    received = []
    yield received
    lib.on_diagnostic(None)
    lib.reset()


def test_events_arrive_parsed_with_non_ascii_text_and_a_host_window_hears_the_pointer(lib, events):
    lib.load_scenario(desktop({"at": 1.0, "do": "select", "element": "body", "range": [4, 4]},
                              {"at": 1.3, "do": "type", "element": "body", "text": "Grüße 😀"},
                              {"at": 1.5, "do": "select", "element": "body", "range": [4, 8]},
                              {"at": 1.8, "do": "move_pointer", "to": [1000, 300]}))
    window = lib.add_host_window("assistant", 940, 100, 360, 600)
    assert lib.host_window("assistant") == window
    lib.init_accessibility(lambda name, data: events.append((lib.now(), name, data)))
    lib.start({})
    lib.add_mouse_tracker(window)
    lib.run_for(2.5)
    assert [name for _, name, _ in events] == [
        "app_changed", "text_select", "caret", "text_select", "mouse_hoverd"]
    assert events[0][2] == {"bundle_id": "com.example.notes", "name": "Notes",
                            "role": "AXApplication"}
    assert events[1][0] == pytest.approx(1.18)
    assert events[1][2]["position"] == {"x": 152.0, "y": 164.0}
    assert events[3][2]["selected_text"] == "Grüße 😀" and events[4][2] == {}


SET_UP_AND_DROP = """
import gc, json, sys, axbridge
def set_up():  # the Library and both callbacks are locals
    lib = axbridge.load(simulated=True)
    lib.set_diagnostics_echo(False)
    lib.load_scenario(json.loads(sys.argv[1]))
    lib.init_accessibility(lambda name, data: print(name))
    lib.set_host_callback(lambda name, data: print("host", name))
    lib.on_diagnostic(print)
set_up()
gc.collect()
axbridge.load(simulated=True).focus_previous()
axbridge.load(simulated=True).start({})
axbridge.load(simulated=True).run_for(2.0)
axbridge.load(simulated=True).set_host_callback(None)  # a scenario step gave the library the previous one
gc.collect()
axbridge.load(simulated=True).run_for(2.0)
"""


def test_the_callbacks_outlive_a_dropped_library():
    activation = {"do": "post_workspace_notification",
                  "name": "NSWorkspaceDidActivateApplicationNotification",
                  "user_info": {"NSWorkspaceApplicationKey": {"application": 501}}}
    scenario = desktop({"at": 1.0, "do": "select", "element": "body", "range": [4, 4]},
                       {"at": 1.5, "do": "initMacAccessibility"}, {"at": 1.6, "do": "start"},
                       {"at": 1.7, **activation},
                       {"at": 3.0, "do": "select", "element": "body", "range": [0, 3]})
    host = subprocess.run([sys.executable, "-c", SET_UP_AND_DROP, json.dumps(scenario)],
                          cwd=pathlib.Path(__file__).parent.parent, capture_output=True, text=True)
    assert (host.returncode, host.stdout.splitlines()) == (
        0, ["hello", "Accessibility is enabled", "app_changed", "text_select",
            "Accessibility is enabled", "host app_changed", "host text_select"])


@pytest.mark.parametrize("stop", [KeyboardInterrupt, SystemExit])
def test_a_stop_in_a_callback_is_raised_after_the_call_delivering_it(lib, events, stop):
    def on_event(name, data):
        events.append(name)
        raise stop

    lib.load_scenario(desktop({"at": 1.0, "do": "select", "element": "body", "range": [4, 4]}))
    lib.init_accessibility(on_event)
    lib.start({})
    with pytest.raises(stop):
        lib.run_for(2.0)
    assert events == ["app_changed", "text_select"] and lib.now() == pytest.approx(2.0)


@pytest.mark.parametrize("call, argument", [
    (lambda lib: lib.set_text(12345678), "text"), (lambda lib: lib.set_text("Buy\0milk"), "text"),
    (lambda lib: lib.init_accessibility("x"), "on_event"),
    (lambda lib: lib.on_diagnostic(1), "on_line"),
    (lambda lib: lib.add_mouse_tracker(-1), "window_handle"),
    (lambda lib: lib.add_mouse_tracker(1 << 64), "window_handle"),
    (lambda lib: lib.start({"a": math.nan}), "blocked_fields"),
    (lambda lib: lib.start(functools.reduce(lambda inner, _: [inner], range(5000), [])),
     "blocked_fields"),
    (lambda lib: lib.run_for(math.nan), "seconds"), (lambda lib: lib.run_for(True), "seconds"),
    (lambda lib: lib.add_host_window("w", 0, 0, math.inf, 1), "width"),
])
def test_arguments_of_the_wrong_kind_are_refused_naming_them(lib, events, call, argument):
    with pytest.raises((TypeError, ValueError), match=f"^{argument} "):
        call(lib)


def test_the_context_future_listeners_errors_threads_and_close(lib, events):
    host = axbridge.load(simulated=True)
    assert "before init_accessibility" in str(host.get_context().exception())
    lib.load_scenario(desktop({"at": 1.0, "do": "select", "element": "body", "range": [4, 4]},
                              {"at": 2.6, "do": "focus", "element": "window"},
                              {"at": 4.0, "do": "select", "element": "body", "range": [0, 3]}))
    errors = []
    host.on_error(errors.append)
    host.on("text_select", lambda selection: errors[9])
    host.on("text_select", events.append)
    host.init_accessibility()
    host.start({})
    host.run_for(2.0)
    answered = host.get_context()
    assert host.get_context() is answered and not answered.done()
    host.run_for(1.0)
    unanswered = host.get_context()
    host.run_for(1.1)
    assert answered.result()["selected_text"] == events[0]["selected_text"] == "milk"
    assert isinstance(unanswered.exception(), axbridge.ContextTimeoutError)
    assert [type(error) for error in errors] == [IndexError]
    with concurrent.futures.ThreadPoolExecutor(1) as worker:
        with pytest.raises(axbridge.WrongThreadError, match="^focus_previous called off the ma"):
            worker.submit(host.focus_previous).result()
        worker.submit(host.is_accessibility_enabled).result()
    with host:
        pass
    lib.run_for(2.0)
    assert len(events) == 1
    with pytest.raises(ValueError, match="closed"):
        host.focus_previous()


def test_refusals_raise_with_the_librarys_reason(lib, events):
    with pytest.raises(axbridge.AxsimError, match="timeline"):
        lib.load_scenario({"timeline": [{"at": 1, "do": "fly"}]})

    refusals = []

    def reset_from_callback(name, data):
        try:
            lib.reset()
        except axbridge.AxsimError as error:
            refusals.append(str(error))

    lib.load_scenario(desktop())
    lib.init_accessibility(reset_from_callback)
    lib.start({})
    lib.run_for(1.0)
    assert len(refusals) == 1 and "playing" in refusals[0]


def test_a_library_found_nowhere_is_refused_naming_every_path_tried(monkeypatch):
    def refusal(variable, *paths):
        tried = ", ".join(re.escape(path) + r" \(.+\)" for path in paths)
        return f"^cannot load the real axbridge library \\({variable}\\); tried {tried}$"

    monkeypatch.setenv("AXBRIDGE_LIBRARY", "/nowhere/libaxbridge.so.0")
    with pytest.raises(axbridge.LoadError, match=refusal("AXBRIDGE_LIBRARY names it",
                                                         "/nowhere/libaxbridge.so.0")):
        axbridge.load()
    # The real flavour (the simulated one is loaded here already: the loader knows its name).
    monkeypatch.delenv("AXBRIDGE_LIBRARY")
    name = "libaxbridge.0.dylib" if sys.platform == "darwin" else "libaxbridge.so.0"
    machine = {"x86_64": "x64", "aarch64": "arm64"}.get(platform.machine(), platform.machine())
    bundled = pathlib.Path(axbridge.__file__).parent / "prebuilds" / f"{sys.platform}-{machine}"
    with pytest.raises(axbridge.LoadError, match=refusal("set AXBRIDGE_LIBRARY to its path",
                                                         str(bundled / name), name)):
        axbridge.load()
