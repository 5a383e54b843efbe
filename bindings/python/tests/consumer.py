"""A typed host, checked with mypy --strict against the installed package: payloads narrow by
their keys, and misuse does not type-check (each ignore below must be needed)."""
import axbridge


def on_event(name: axbridge.EventName, data: axbridge.Payload) -> None:
    if "selected_text" in data:
        print(name, data["selected_text"].upper(), data["position"]["x"])
    elif "role" in data:
        print(name, data["role"] or "no role")


lib = axbridge.load()
lib.init_accessibility(on_event)
lib.start({"com.example.vault": {"name": "AXIdentifier", "value": "password"}})
lib.add_mouse_tracker(0x3A00007)
lib.get_assistant_data()
lib.focus_previous()
lib.set_text(42)  # type: ignore[arg-type]
lib.focusPreiov()  # type: ignore[attr-defined]
lib.init_accessibility(lambda name, data: data["nope"])  # type: ignore[typeddict-item]
