#!/usr/bin/python3
"""A GTK 4 application with the text widgets the end-to-end tests type into.

It shows a single-line entry, a multi-line text view and a password entry, and answers commands
read line by line from standard input with one JSON line on standard output, as
tests/linux/text_app.py does for GTK3. "layout" answers with screen rectangles from GTK's own
geometry: the widget's bounds in its window, the window's surface transform (client-side
decorations) and the surface's position on the X server.

Commands (offsets count characters, as GTK does):
  present                       bring the window to the front
  focus <widget>                give the widget the keyboard focus
  set <widget> <json text>      replace the widget's text
  select <widget> <start> <end> select a range (start == end places the caret)
  layout <widget> <start> <end> screen rectangle of the range, or of the caret when empty
                                (in a native Wayland window: relative to its surface)
  state                         the focused widget and the surface's screen position
  text <widget>                 the widget's text
  quit                          leave
Widgets: entry, view, password. Run with GSK_RENDERER=cairo under Xvfb.
"""

import argparse
import json
import os
import subprocess
import sys

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("GdkX11", "4.0")
gi.require_version("Graphene", "1.0")
from gi.repository import GdkX11, Gio, GLib, Graphene, Gtk  # noqa: E402
from app_protocol import answer, union  # noqa: E402


def surface_origin(xid):
    # GTK 4 does not tell where a surface is on screen; the X server does.
    out = subprocess.run(["xwininfo", "-id", str(xid)], capture_output=True, text=True,
                         timeout=5).stdout
    values = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])


class Gtk4App:
    def __init__(self, application, args):
        # A steady caret: screenshots taken a moment apart differ only in what the test changed.
        Gtk.Settings.get_default().set_property("gtk-cursor-blink", False)
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
        GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, self.on_input)
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
        answer({"ready": True, "pid": os.getpid(), "xid": self.xid()})
        return False

    def on_input(self, fd, condition):
        line = sys.stdin.readline()
        if not line:
            self.window.get_application().quit()
            return False
        try:
            answer(self.run(line.strip()))
        except Exception as error:  # a bad command must not end the application
            answer({"error": str(error)})
        return True

    def run(self, line):
        command, _, rest = line.partition(" ")
        if command == "present":
            self.window.present()
            return {"ok": True}
        if command == "quit":
            GLib.idle_add(self.window.get_application().quit)
            return {"ok": True}
        if command == "state":
            focus = self.window.get_focus()
            name = next((k for k, w in self.widgets.items()
                         if focus is not None and (focus is w or focus.is_ancestor(w))), None)
            origin = surface_origin(self.xid()) if self.xid() else (0, 0)
            return {"focus": name, "origin": list(origin),
                    "active": self.window.is_active()}
        name, _, rest = rest.partition(" ")
        widget = self.widgets[name]
        if command == "text":
            if widget is self.view:
                buffer = widget.get_buffer()
                return {"text": buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(),
                                                 True)}
            return {"text": widget.get_text()}
        if command == "focus":
            widget.grab_focus()
            return {"ok": True}
        if command == "set":
            text = json.loads(rest)
            if widget is self.view:
                widget.get_buffer().set_text(text)
            else:
                widget.set_text(text)
            return {"ok": True}
        start, end = (int(v) for v in rest.split())
        if command == "select":
            if widget is self.view:
                buffer = widget.get_buffer()
                buffer.select_range(buffer.get_iter_at_offset(end),
                                    buffer.get_iter_at_offset(start))
            else:
                widget.select_region(start, end)
            return {"ok": True}
        if command == "layout":
            return {"rect": self.layout(widget, start, end)}
        raise ValueError("unknown command")

    # Where a point of the widget is on screen: through the window, its surface transform and the
    # surface's position on the X server.
    def to_screen(self, widget, x, y):
        ok, point = widget.compute_point(self.window, Graphene.Point().init(x, y))
        if not ok:
            raise ValueError("not in the window")
        dx, dy = self.window.get_surface_transform()
        left, top = surface_origin(self.xid()) if self.xid() else (0, 0)
        return left + dx + point.x, top + dy + point.y

    def layout(self, widget, start, end):
        if widget is self.view:
            return self.view_layout(start, end)
        # The entry draws through its GtkText, which knows where each cursor position is.
        text = widget.get_delegate()

        def caret(offset):
            strong, _ = text.compute_cursor_extents(offset)
            x, y = self.to_screen(text, strong.get_x(), strong.get_y())
            return [x, y, 0, strong.get_height()]

        if start == end:
            return caret(start)
        return union([caret(start), caret(end)])

    def view_layout(self, start, end):
        view = self.view
        buffer = view.get_buffer()

        def char_rect(offset):
            location = view.get_iter_location(buffer.get_iter_at_offset(offset))
            wx, wy = view.buffer_to_window_coords(Gtk.TextWindowType.WIDGET, location.x,
                                                  location.y)
            x, y = self.to_screen(view, wx, wy)
            return [x, y, location.width, location.height]

        if start == end:
            rect = char_rect(start)
            return [rect[0], rect[1], 0, rect[3]]
        return union([char_rect(i) for i in range(start, end)])


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
