"""A typed host, checked with mypy --strict against the installed package: payloads narrow by
their keys and by the event's name, and misuse does not type-check (each ignore below must be
needed)."""
from concurrent.futures import Future
from typing import Any, Dict

import axbridge


def on_event(name: axbridge.EventName, data: axbridge.Payload) -> None:
    if "selected_text" in data:
        print(name, data["selected_text"].upper(), data["position"]["x"])
    elif "role" in data:
        print(name, data["role"] or "no role")


def on_json(name: str, data: Dict[str, Any]) -> None:
    print(name, data.get("selected_text"))


def on_switch(app: axbridge.AppChanged) -> None:
    print(app["bundle_id"] or "no bundle id", app["role"])


with axbridge.load() as lib:
    lib.init_accessibility(on_event)
    lib.init_accessibility(on_json)
    lib.on("app_changed", on_switch)
    lib.on("text_select", lambda s: print(s["selected_text"] if "selected_text" in s else s))
    lib.on_error(lambda error: print(repr(error)))
    lib.start({"com.example.vault": {"name": "AXIdentifier", "value": "password"}})
    lib.add_mouse_tracker(0x3A00007)
    context: "Future[axbridge.ContextPayload]" = lib.get_context()
    lib.get_assistant_data()
    lib.focus_previous()
    lib.set_text(42)  # type: ignore[arg-type]
    lib.focusPreiov()  # type: ignore[attr-defined]
    lib.on("text_select", on_switch)  # type: ignore[call-overload]
