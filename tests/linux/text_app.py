#!/usr/bin/python3
"""A GTK3 application with the text widgets the end-to-end tests type into.

It shows an entry, a text view, a password entry and a selectable label. "layout" answers with
rectangles from GTK's and Pango's own layout, not from the accessibility interface.

It answers the commands of app_protocol.py, and also (widgets: entry, view, password, label):
  state                         the focused widget, the window's screen position, whether it is
                                active
  fill <widget> <characters>    replace the widget's text with that many characters: an emoji,
                                then numbered lines of words
  pasted                        what the clipboard offered when the last paste began: its
                                targets and the password manager hint's data
  frame                         where the window's visible part begins (its header bar, if any)
  storm <seconds>               create, focus and destroy entries as fast as it can, then focus
                                the entry; a line {"stormed": <entries>} follows when it did
"text" also tells when the application's text last changed (CLOCK_MONOTONIC seconds, as
time.monotonic()).
With --copy-on-change TEXT the application copies TEXT to the clipboard the first time the entry's
or the text view's text changes, as a user copying while a paste lands would.
"""

import argparse
import os
import sys
import time

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, Gio, GLib, Gtk, Pango  # noqa: E402
from app_protocol import GtkCommands, answer, union  # noqa: E402


def filler(characters):
    lines = ["\U0001F600"]
    size = 1
    number = 0
    while size < characters:
        number += 1
        line = "\nline %07d of a long text, with some words in it" % number
        lines.append(line)
        size += len(line)
    return "".join(lines)[:characters]


class TextApp(GtkCommands):
    def __init__(self, args, quit, application=None):
        self.quit_loop = quit
        self.window = Gtk.Window(title=args.title)
        if application:
            # Before the window is realised, so that it carries the application's identifier.
            application.add_window(self.window)
        self.window.set_default_size(480, 320)
        if args.header_bar:
            # Drawn by the application, with its shadow, around the window's visible part.
            self.window.set_titlebar(Gtk.HeaderBar(title=args.title, show_close_button=True))
        self.window.connect("destroy", lambda *_: self.quit_loop())
        self.window.connect("map-event", self.on_mapped)

        box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6)
        box.set_border_width(8)
        self.entry = Gtk.Entry()
        self.entry.set_text(args.entry_text)
        self.view = Gtk.TextView()
        self.view.get_buffer().set_text(args.view_text)
        self.password = Gtk.Entry()
        self.password.set_visibility(False)
        self.password.set_text("hunter2")
        self.label = Gtk.Label(label=args.label_text)
        self.label.set_selectable(True)
        self.label.set_xalign(0)
        # Scrolled, as editors are: a long text must not make the window taller than X11 allows.
        scrolled = Gtk.ScrolledWindow()
        scrolled.set_min_content_height(120)
        scrolled.add(self.view)
        for widget in (self.entry, scrolled, self.password, self.label):
            box.pack_start(widget, False, False, 0)
        self.window.add(box)
        self.widgets = {
            "entry": self.entry,
            "view": self.view,
            "password": self.password,
            "label": self.label,
        }
        self.changed_at = None
        self.copy_on_change = args.copy_on_change
        self.entry.connect("changed", self.on_changed)
        self.view.get_buffer().connect("changed", self.on_changed)
        self.pasted = {"targets": None, "hint": None}
        self.entry.connect("paste-clipboard", self.on_paste)
        self.view.connect("paste-clipboard", self.on_paste)
        self.ready_sent = False
        GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP,
                          lambda *_: self.on_line(sys.stdin.readline()))
        self.window.show_all()
        self.window.present()

    def on_mapped(self, *_):
        if not self.ready_sent:
            self.ready_sent = True
            # Answered once the first frame is out, when the window has its place on screen.
            GLib.idle_add(self.announce)
        return False

    def announce(self):
        # Without a window manager only a mapped window can take the input focus.
        self.window.present_with_time(Gdk.CURRENT_TIME)
        answer({"ready": True, "pid": os.getpid()})
        return False

    def on_changed(self, *_):
        self.changed_at = time.monotonic()
        if self.copy_on_change is not None:
            text, self.copy_on_change = self.copy_on_change, None
            Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD).set_text(text, -1)

    # Asked while the paste is under way, from whoever owns the clipboard then.
    def on_paste(self, *_):
        clipboard = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)
        self.pasted = {"targets": None, "hint": None}

        def targets_received(_clipboard, atoms, *_rest):
            self.pasted["targets"] = [atom.name() for atom in (atoms or [])]

        def hint_received(_clipboard, selection, *_rest):
            data = selection.get_data() if selection.get_length() >= 0 else None
            self.pasted["hint"] = bytes(data).decode("utf-8", "replace") if data else ""

        clipboard.request_targets(targets_received)
        clipboard.request_contents(Gdk.Atom.intern("x-kde-passwordManagerHint", False),
                                   hint_received)

    def quit(self):
        GLib.idle_add(self.quit_loop)

    def state(self):
        origin = self.window.get_window().get_origin()
        focus = self.window.get_focus()
        name = next((k for k, w in self.widgets.items() if w is focus), None)
        return {"focus": name, "origin": [origin.x, origin.y], "active": self.window.is_active()}

    def fill(self, rest):
        name, _, characters = rest.partition(" ")
        self.set_text(self.widgets[name], filler(int(characters)))
        return {"ok": True}

    def storm(self, rest):
        end = time.monotonic() + float(rest)
        made = [None, 0]  # the entry that has the focus, how many were made

        def tick():
            if made[0]:
                made[0].destroy()
            if time.monotonic() >= end:
                self.entry.grab_focus()
                answer({"stormed": made[1]})
                return False
            made[0] = Gtk.Entry()
            self.entry.get_parent().pack_start(made[0], False, False, 0)
            made[0].show()
            made[0].grab_focus()
            made[1] += 1
            return True

        # Below the toolkit's own idle work, which announces each focus change.
        GLib.idle_add(tick, priority=GLib.PRIORITY_LOW)
        return {"ok": True}

    def frame(self, _):
        # Where the visible part begins in the window the other answers are relative to.
        bar = self.window.get_titlebar()
        return {"origin": [bar.get_allocation().x, bar.get_allocation().y] if bar else [0, 0]}

    def editable(self, rest):
        name, _, value = rest.partition(" ")
        self.widgets[name].set_editable(value == "1")
        return {"ok": True}

    extra = {"fill": fill, "pasted": lambda self, _: self.pasted, "storm": storm, "frame": frame,
             "editable": editable, "state": lambda self, _: self.state()}

    # Screen rectangles from the widgets' own Pango layouts.
    def layout(self, widget, start, end):
        if widget is self.view:
            return self.view_layout(start, end)
        x, y = widget.get_layout_offsets()
        if widget is self.label:
            # Label layout offsets are in the coordinates of the window the label draws on.
            origin = widget.get_window().get_origin()
        else:
            x, y = widget.translate_coordinates(self.window, x, y)
            origin = self.window.get_window().get_origin()
        return self.pango_rect(widget.get_layout(), x + origin.x, y + origin.y, start, end)

    def pango_rect(self, layout, left, top, start, end):
        text = layout.get_text()
        encoded = [len(c.encode("utf-8")) for c in text]

        def index(offset):
            return sum(encoded[:offset])

        def char_rect(offset):
            pos = layout.index_to_pos(index(offset))
            return [left + pos.x / Pango.SCALE, top + pos.y / Pango.SCALE,
                    pos.width / Pango.SCALE, pos.height / Pango.SCALE]

        if start == end:
            strong, _ = layout.get_cursor_pos(index(start))
            return [left + strong.x / Pango.SCALE, top + strong.y / Pango.SCALE, 0,
                    strong.height / Pango.SCALE]
        return union([char_rect(i) for i in range(start, end)])

    def view_layout(self, start, end):
        origin = self.view.get_window(Gtk.TextWindowType.TEXT).get_origin()

        def to_screen(x, y):
            x, y = self.view.buffer_to_window_coords(Gtk.TextWindowType.TEXT, x, y)
            return x + origin.x, y + origin.y

        return self.view_rect(to_screen, start, end)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--title", default="Text app")
    parser.add_argument("--entry-text", default="")
    parser.add_argument("--view-text", default="")
    parser.add_argument("--label-text", default="A label")
    parser.add_argument("--prgname", default="axbridge-text-app")
    parser.add_argument("--app-id", default="")
    parser.add_argument("--copy-on-change", default=None)
    parser.add_argument("--header-bar", action="store_true")
    args = parser.parse_args()
    GLib.set_prgname(args.prgname)
    if args.app_id:
        # Not unique: every test starts its own instance, which must not hand over to another.
        application = Gtk.Application(application_id=args.app_id,
                                      flags=Gio.ApplicationFlags.NON_UNIQUE)

        def activate(app):
            application.text_app = TextApp(args, app.quit, app)

        application.connect("activate", activate)
        application.run([sys.argv[0]])
        return
    TextApp(args, Gtk.main_quit)
    Gtk.main()


if __name__ == "__main__":
    main()
