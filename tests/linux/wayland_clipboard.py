#!/usr/bin/python3
"""The Wayland clipboard as another native GTK 4 application uses it, for the end-to-end tests.

A Wayland client may set or read the clipboard only while its window has the keyboard focus: the
window takes it (a new window does; in sway it also waits for a key press), then
  wayland_clipboard.py copy <type>=<file>...  owns the clipboard with those types, says
                                              {"ready": true} and keeps it until killed;
  wayland_clipboard.py read                   says {"types": [...], "data": {type: base64}} of
                                              every type offered, and ends.
"""

import base64
import os
import sys

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("Gdk", "4.0")
from gi.repository import Gdk, Gio, GLib, Gtk  # noqa: E402
from app_protocol import answer  # noqa: E402


def copy(window, pairs):
    providers = []
    for mime, path in pairs:
        with open(path, "rb") as data:
            providers.append(Gdk.ContentProvider.new_for_bytes(mime, GLib.Bytes.new(data.read())))
    window.get_clipboard().set_content(Gdk.ContentProvider.new_union(providers))
    answer({"ready": True})


def read(window):
    clipboard = window.get_clipboard()
    types = list(clipboard.get_formats().get_mime_types() or [])
    found = {}

    def next_type():
        if len(found) == len(types):
            answer({"types": types, "data": found})
            window.get_application().quit()
            return
        mime = types[len(found)]
        clipboard.read_async([mime], GLib.PRIORITY_DEFAULT, None, received, mime)

    def received(source, result, mime):
        stream, _ = source.read_finish(result)
        data = stream.read_bytes(64 * 1024 * 1024, None).get_data()
        found[mime] = base64.b64encode(data).decode("ascii")
        next_type()

    next_type()


def main():
    command, pairs = sys.argv[1], [arg.rsplit("=", 1) for arg in sys.argv[2:]]
    application = Gtk.Application(application_id="dev.axbridge.ClipboardClient",
                                  flags=Gio.ApplicationFlags.NON_UNIQUE)

    def activate(app):
        window = Gtk.ApplicationWindow(application=app, title="clipboard " + command)
        done = []

        def act():
            if not done:
                done.append(True)
                copy(window, pairs) if command == "copy" else read(window)

        # sway takes the clipboard only from a client that had input (GTK names its last key
        # press): a user copies with a key; in sway it says {"focused": true} and waits for one.
        keys = Gtk.EventControllerKey()
        keys.connect("key-released", lambda *_: act())
        window.add_controller(keys)

        def on_active(*_):
            if window.is_active() and not done:
                # A moment for the selection the compositor offers on focus to arrive.
                if command == "copy" and "SWAYSOCK" in os.environ:
                    GLib.timeout_add(200, lambda: answer({"focused": True}))
                else:
                    GLib.timeout_add(200, act)

        window.connect("notify::is-active", on_active)
        window.present()

    application.connect("activate", activate)
    application.run([sys.argv[0]])


if __name__ == "__main__":
    main()
