"""A host on the simulated desktop: Notes comes to the front, its text area takes the focus, the
user selects "milk"; the host asks for the context, replaces it and the user's clipboard stays.

    AXBRIDGE_LIBRARY=build/src/libaxbridge-sim.so python3 bindings/python/host.py
"""
import axbridge

lib = axbridge.load(simulated=True)
copied = [[{"type": "public.utf8-plain-text", "data": "copied earlier"}]]
lib.load_scenario({"pasteboard": copied, "applications": [{
    "pid": 501, "bundle_id": "com.example.notes", "name": "Notes", "elements": [{
        "id": "body", "role": "AXTextArea", "frame": [120, 160, 760, 480], "text_kind": "native",
        "text": "Buy milk"}]}], "timeline": [
    {"at": 0.5, "do": "activate", "pid": 501}, {"at": 1.0, "do": "focus", "element": "body"},
    {"at": 1.5, "do": "select", "element": "body", "range": [4, 4]}]})
events: "list[tuple[str, axbridge.Payload]]" = []
lib.init_accessibility(lambda name, data: events.append((name, data)))  # kept alive by the module
lib.start({})
lib.run_for(2.0)  # the run loop, for two virtual seconds
lib.get_assistant_data()
lib.run_for(0.5)
print(*events, sep="\n")
assert [name for name, _ in events] == ["app_changed", "focused_changed", "text_select",
                                        "alt_enter_pressed"]
context = events[-1][1]
assert "selected_text" in context and context["selected_text"] == "milk"
lib.set_text("bread")
state = lib.state()
assert state["applications"][0]["elements"][0]["text"] == "Buy bread"
# Given back as it was, marked with its source (none) as clipboard conventions ask.
given_back = state["pasteboard"]["items"]
assert [[r for r in i if r["type"] == "public.utf8-plain-text"] for i in given_back] == copied
print('replaced "milk" with "bread", clipboard given back')
