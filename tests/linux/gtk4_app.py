#!/usr/bin/python3
"""A GTK 4 application with the text widgets the end-to-end tests type into.

It shows a single-line entry, a multi-line text view and a password entry, and answers the
commands of app_protocol.py. "layout" answers with screen rectangles from GTK's own geometry: the
widget's bounds in its window, the window's surface transform (client-side decorations) and the
surface's position on the X server.

Run with GSK_RENDERER=cairo under Xvfb.
"""

import argparse
import subprocess
import sys

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("GdkX11", "4.0")
gi.require_version("Graphene", "1.0")
from gi.repository import GdkX11, Gio, GLib, Graphene, Gtk  # noqa: E402
from app_protocol import GtkCommands, answer  # noqa: E402


def surface_origin(xid):
    # GTK 4 does not tell where a surface is on screen; the X server does.
    out = subprocess.run(["xwininfo", "-id", str(xid)], capture_output=True, text=True,
                         timeout=5).stdout
    values = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])


class Gtk4App(GtkCommands):
    def __init__(self, application, args):
        self.window = Gtk.ApplicationWindow(application=application, title=args.title)
        self.window.set_default_size(480, 320)
        box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6)
        for side in ("top", "bottom", "start", "end"):
            getattr(box, "set_margin_" + side)(8)
        self.entry = Gtk.Entry()
        self.entry.set_text(args.entry_text)
        self.view = Gtk.TextView()
        self.view.set_size_request(-1, 120)
        self.view.get_buffer().set_text(args.view_text)
        self.password = Gtk.PasswordEntry()
        self.password.set_text("hunter2")
        for widget in (self.entry, self.view, self.password):
            box.append(widget)
        self.window.set_child(box)
        self.widgets = {"entry": self.entry, "view": self.view, "password": self.password}
        self.ready_sent = False
        self.window.connect("map", self.on_mapped)
        GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP,
                          lambda *_: self.on_line(sys.stdin.readline()))
        self.window.present()

    # A native Wayland surface has no X window, and its positions stay relative to it.
    def xid(self):
        surface = self.window.get_surface()
        return surface.get_xid() if isinstance(surface, GdkX11.X11Surface) else None

    def on_mapped(self, *_):
        if not self.ready_sent:
            self.ready_sent = True
            # Once the first frame is out, when the surface has its place on screen.
            GLib.timeout_add(100, self.announce)

    def announce(self):
        self.window.present()
        answer({"ready": True})
        return False

    def quit(self):
        GLib.idle_add(self.window.get_application().quit)

    # Where a point of the widget is on screen: through the window, its surface transform and the
    # surface's position on the X server.
    def to_screen(self, widget, x, y):
        ok, point = widget.compute_point(self.window, Graphene.Point().init(x, y))
        if not ok:
            raise ValueError("not in the window")
        dx, dy = self.window.get_surface_transform()
        left, top = surface_origin(self.xid()) if self.xid() else (0, 0)
        return left + dx + point.x, top + dy + point.y

    # The view's rectangles (the tests ask no other widget's).
    def layout(self, widget, start, end):
        def to_screen(x, y):
            x, y = self.view.buffer_to_window_coords(Gtk.TextWindowType.WIDGET, x, y)
            return self.to_screen(self.view, x, y)

        return self.view_rect(to_screen, start, end)

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--title", default="GTK 4 app")
    parser.add_argument("--entry-text", default="")
    parser.add_argument("--view-text", default="")
    parser.add_argument("--app-id", default="dev.axbridge.Gtk4App")
    args = parser.parse_args()
    # Not unique: every test starts its own instance, which must not hand over to another.
    application = Gtk.Application(application_id=args.app_id,
                                  flags=Gio.ApplicationFlags.NON_UNIQUE)
    application.connect("activate", lambda app: setattr(app, "window_", Gtk4App(app, args)))
    application.run([sys.argv[0]])


if __name__ == "__main__":
    main()
