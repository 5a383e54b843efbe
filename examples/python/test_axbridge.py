"""The Python kit against the simulated flavour: events by name with parsed payloads, the host's
window for addMouseTracker, diagnostic lines, callbacks kept alive, and refusals as exceptions."""
import gc
import pathlib
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
    return axbridge.load()


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


def test_events_arrive_by_name_with_parsed_payloads(lib, events):
    lib.load_scenario(desktop({"at": 1.0, "do": "select", "element": "body", "range": [4, 4]}))
    lib.initMacAccessibility(lambda name, data: events.append((lib.now(), name, data)))
    lib.start({})
    lib.run_for(2.0)
    assert lib.now() == pytest.approx(2.0)
    assert [name for _, name, _ in events] == ["app_changed", "text_select"]
    assert events[0][2] == {"bundle_id": "com.example.notes", "name": "Notes",
                            "role": "AXApplication"}
    at, _, selection = events[1]
    assert at == pytest.approx(1.18)
    assert selection["selected_text"] == "milk"
    assert selection["is_editable"] is True
    assert selection["position"] == {"x": 152.0, "y": 164.0}
    assert selection["size"] == {"width": 28.0, "height": 16.0}


def test_non_ascii_text_round_trips(lib, events):
    lib.load_scenario(desktop({"at": 1.0, "do": "type", "element": "body", "text": "Grüße 😀"},
                              {"at": 1.5, "do": "select", "element": "body", "range": [0, 7]}))
    lib.initMacAccessibility(lambda name, data: events.append((name, data)))
    lib.start({})
    lib.run_for(2.0)
    assert events[-1][0] == "text_select"
    assert events[-1][1]["selected_text"] == "Grüße 😀"


def test_a_window_of_the_host_reports_the_pointer(lib, events):
    lib.load_scenario(desktop({"at": 1.0, "do": "move_pointer", "to": [1000, 300]}))
    window = lib.add_host_window("assistant", 940, 100, 360, 600)
    assert lib.host_window("assistant") == window
    lib.initMacAccessibility(lambda name, data: events.append((name, data)))
    lib.start({})
    lib.addMouseTracker(window)
    lib.run_for(2.0)
    assert events == [("app_changed", events[0][1]), ("mouse_hoverd", {})]


def test_diagnostic_lines_reach_the_callback(lib, events):
    lines = []
    lib.on_diagnostic(lines.append)
    lib.initMacAccessibility(lambda name, data: None)
    lib.start("not json")
    lib.focusPreiov()
    assert lines[0] == "Accessibility is enabled"
    assert lines[1].startswith("Error deserializing JSON: ")
    assert lines[2] == "hello"


def test_the_kit_keeps_the_callbacks_alive(lib, events):
    def register():
        seen = events  # only the library's copy of this closure survives the function
        lib.initMacAccessibility(lambda name, data: seen.append(name))
        lib.on_diagnostic(lambda line: seen.append(line))

    lib.load_scenario(desktop())
    register()
    gc.collect()
    lib.start({})
    lib.run_for(1.0)
    assert events == ["Accessibility is enabled", "app_changed"]


def test_refusals_raise_with_the_librarys_reason(lib, events):
    with pytest.raises(axbridge.AxsimError, match="timeline"):
        lib.load_scenario({"timeline": [{"at": 1, "do": "fly"}]})
    with pytest.raises(axbridge.AxsimError, match="duration"):
        lib.run_for(-1)
    with pytest.raises(axbridge.AxsimError, match="no open host window"):
        lib.host_window("nowhere")

    refusals = []

    def reset_from_callback(name, data):
        try:
            lib.reset()
        except axbridge.AxsimError as error:
            refusals.append(str(error))

    lib.load_scenario(desktop())
    lib.initMacAccessibility(reset_from_callback)
    lib.start({})
    lib.run_for(1.0)
    assert len(refusals) == 1 and "playing" in refusals[0]


def test_the_host_example_prints_its_events():
    output = subprocess.run([sys.executable, "host.py"], cwd=str(pathlib.Path(axbridge.__file__).parent), check=True,
                            capture_output=True, text=True).stdout
    assert "app_changed {'bundle_id': 'com.example.notes'" in output
    assert "text_select {" in output and "'selected_text': 'milk'" in output
