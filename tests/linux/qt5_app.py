#!/usr/bin/python3
"""A Qt 5 application with the text widgets the end-to-end tests type into.

It shows a line edit, a plain-text editor and a password field, and answers the commands of
app_protocol.py. "layout" answers with screen rectangles from Qt's own geometry. Offsets count
code points; Qt itself counts UTF-16 units.

Run with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1.
"""

import argparse
import sys

from PyQt5.QtCore import QSocketNotifier, Qt, QTimer
from PyQt5.QtGui import QTextCursor
from PyQt5.QtWidgets import QApplication, QLineEdit, QPlainTextEdit, QVBoxLayout, QWidget
from app_protocol import Commands, answer, union  # noqa: E402


def units(text, offset):
    """The UTF-16 position of a code point offset."""
    return len(text[:offset].encode("utf-16-le")) // 2


class Qt5App(QWidget, Commands):
    def __init__(self, args):
        super().__init__()
        self.setWindowTitle(args.title)
        self.resize(480, 320)
        layout = QVBoxLayout(self)
        self.entry = QLineEdit(args.entry_text)
        self.entry.setAccessibleName("entry")
        self.view = QPlainTextEdit()
        self.view.setPlainText(args.view_text)
        self.view.setAccessibleName("view")
        self.password = QLineEdit("hunter2")
        self.password.setEchoMode(QLineEdit.Password)
        self.password.setAccessibleName("password")
        for widget in (self.entry, self.view, self.password):
            layout.addWidget(widget)
        self.widgets = {"entry": self.entry, "view": self.view, "password": self.password}
        self.notifier = QSocketNotifier(sys.stdin.fileno(), QSocketNotifier.Read, self)
        self.notifier.activated.connect(
            lambda *_: self.notifier.setEnabled(self.on_line(sys.stdin.readline())))
        self.ready_sent = False

    def showEvent(self, event):
        super().showEvent(event)
        if not self.ready_sent:
            self.ready_sent = True
            QTimer.singleShot(100, self.announce)

    def announce(self):
        self.activateWindow()
        answer({"ready": True})

    def quit(self):
        QTimer.singleShot(0, QApplication.quit)

    def focus(self, widget):
        widget.setFocus(Qt.OtherFocusReason)

    def set_text(self, widget, text):
        if widget is self.view:
            widget.setPlainText(text)
        else:
            widget.setText(text)

    def select(self, widget, start, end):
        start, end = (units(self.text_of(widget), v) for v in (start, end))
        if widget is self.view:
            cursor = widget.textCursor()
            cursor.setPosition(start)
            cursor.setPosition(end, QTextCursor.KeepAnchor)
            widget.setTextCursor(cursor)
        else:
            widget.setSelection(start, end - start)

    def text_of(self, widget):
        return widget.toPlainText() if widget is self.view else widget.text()

    # Screen rectangles of the editor (the tests ask no other widget's), from its cursor
    # rectangles; start and end in UTF-16 units from here.
    def layout(self, widget, start, end):
        start, end = (units(self.text_of(widget), v) for v in (start, end))
        viewport = widget.viewport()

        def caret(position):
            cursor = QTextCursor(widget.document())
            cursor.setPosition(position)
            rect = widget.cursorRect(cursor)
            origin = viewport.mapToGlobal(rect.topLeft())
            return [origin.x(), origin.y(), 0, rect.height()]

        if start == end:
            return caret(start)
        # Each character from its own caret to the next; a line's last character ends where the
        # next line begins, so it keeps its own caret's line.
        rects = []
        for position in range(start, end):
            left, right = caret(position), caret(position + 1)
            width = right[0] - left[0] if right[1] == left[1] else 0
            rects.append([left[0], left[1], max(width, 0), left[3]])
        return union(rects)

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--title", default="Qt 5 app")
    parser.add_argument("--entry-text", default="")
    parser.add_argument("--view-text", default="")
    args, rest = parser.parse_known_args()
    application = QApplication([sys.argv[0]] + rest)
    application.setApplicationName("axbridge-qt5-app")
    window = Qt5App(args)
    window.show()
    sys.exit(application.exec_())


if __name__ == "__main__":
    main()
