"""What the test applications share: their command loop, and rectangle unions.

Each application reads commands line by line from standard input and answers each with one JSON
line on standard output (offsets count characters; a bad command answers {"error": ...}):
  focus <widget>                give the widget the keyboard focus
  set <widget> <json text>      replace the widget's text
  select <widget> <start> <end> select a range (start == end places the caret)
  layout <widget> <start> <end> screen rectangle of the range, or of the caret when empty, from
                                the toolkit's own layout (in a native Wayland window: relative to
                                its surface)
  text <widget>                 the widget's text
  quit                          leave
Widgets: entry, view, password. An application adds commands of its own in `extra`.
"""

import json
import sys


def answer(value):
    sys.stdout.write(json.dumps(value) + "\n")
    sys.stdout.flush()


def union(rects):
    left = min(r[0] for r in rects)
    top = min(r[1] for r in rects)
    right = max(r[0] + r[2] for r in rects)
    bottom = max(r[1] + r[3] for r in rects)
    return [left, top, right - left, bottom - top]


class Commands:
    """The loop; a toolkit's application defines quit, text_of, set_text, focus,
    select and layout."""

    changed_at = None
    extra = {}

    # Called with each line read; False once standard input has closed.
    def on_line(self, line):
        if not line:
            self.quit()
            return False
        try:
            answer(self.run(line.strip()))
        except Exception as error:  # a bad command must not end the application
            answer({"error": str(error)})
        return True

    def run(self, line):
        command, _, rest = line.partition(" ")
        if command == "quit":
            self.quit()
            return {"ok": True}
        if command in self.extra:
            return self.extra[command](self, rest)
        name, _, rest = rest.partition(" ")
        widget = self.widgets[name]
        if command == "text":
            return {"text": self.text_of(widget), "changed_at": self.changed_at}
        if command == "focus":
            self.focus(widget)
            return {"ok": True}
        if command == "set":
            self.set_text(widget, json.loads(rest))
            return {"ok": True}
        start, end = (int(v) for v in rest.split())
        if command == "select":
            self.select(widget, start, end)
            return {"ok": True}
        if command == "layout":
            return {"rect": self.layout(widget, start, end)}
        raise ValueError("unknown command")


class GtkCommands(Commands):
    """What GTK 3 and GTK 4 widgets do alike: the view's text is its buffer's."""

    def text_of(self, widget):
        if widget is self.view:
            buffer = widget.get_buffer()
            return buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)
        return widget.get_text()

    def set_text(self, widget, text):
        if widget is self.view:
            widget.get_buffer().set_text(text)
        else:
            widget.set_text(text)

    def focus(self, widget):
        widget.grab_focus()

    def select(self, widget, start, end):
        if widget is self.view:
            buffer = widget.get_buffer()
            buffer.select_range(buffer.get_iter_at_offset(end), buffer.get_iter_at_offset(start))
        else:
            widget.select_region(start, end)

    # The view's rectangles from its buffer's iterators; to_screen maps buffer coordinates.
    def view_rect(self, to_screen, start, end):
        buffer = self.view.get_buffer()

        def char_rect(offset):
            location = self.view.get_iter_location(buffer.get_iter_at_offset(offset))
            x, y = to_screen(location.x, location.y)
            return [x, y, location.width, location.height]

        if start == end:
            rect = char_rect(start)
            return [rect[0], rect[1], 0, rect[3]]
        return union([char_rect(i) for i in range(start, end)])
