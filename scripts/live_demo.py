#!/usr/bin/python3
"""The live demo's steps, run on a desktop of its own by scripts/live-demo.sh.

Starts axbridge-watch --live and two GTK text applications, then acts as a user and a host
would: the second application comes to the front, the user switches back to the first, moves
to its text area and selects a word with the keyboard, the host asks for the assistant context
(answered for text areas) and replaces the selection. Every step waits for what it expects with a deadline. Prints the watcher's lines and
the application's text after the paste; exits 0 when every step was seen, 1 otherwise.

  live_demo.py <axbridge-watch> <text_app.py>
"""

import json
import os
import signal
import subprocess
import sys
import threading
import time

VIEW_TEXT = "Meet me at noon"
SELECTED = "noon"
REPLACEMENT = "half past three"
EXPECTED_TEXT = "Meet me at half past three"
STEP_SECONDS = 15.0


class Failure(Exception):
    pass


class Child:
    """A child process whose standard output is collected line by line on a thread."""

    def __init__(self, name, argv):
        self.name = name
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, bufsize=1)
        self.lines = []
        self.errors = []
        self.changed = threading.Condition()
        for stream, into in ((self.process.stdout, self.lines),
                             (self.process.stderr, self.errors)):
            threading.Thread(target=self.collect, args=(stream, into), daemon=True).start()

    def collect(self, stream, into):
        for line in stream:
            with self.changed:
                into.append(line.rstrip("\n"))
                self.changed.notify_all()

    def wait_for_line(self, check, start=0, seconds=STEP_SECONDS):
        """The first line from index start on that passes the check, or None at the deadline."""
        deadline = time.monotonic() + seconds
        with self.changed:
            while True:
                for line in self.lines[start:]:
                    if check(line):
                        return line
                remaining = deadline - time.monotonic()
                if remaining <= 0 or self.process.poll() is not None:
                    # One last look: the process may have printed its last lines as it ended.
                    return next((line for line in self.lines[start:] if check(line)), None)
                self.changed.wait(min(remaining, 0.1))

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def stop(self, seconds=5.0):
        """Ends the process: SIGTERM, then SIGKILL after the deadline. Its exit status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(seconds)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        return self.process.returncode


class TextApp(Child):
    """tests/linux/text_app.py: one JSON answer per command."""

    def __init__(self, script, title, prgname, view_text):
        super().__init__(title, ["/usr/bin/python3", script, "--title", title, "--prgname",
                                 prgname, "--entry-text", title, "--view-text", view_text])
        ready = self.wait_for_line(lambda line: '"ready"' in line, seconds=30.0)
        if ready is None:
            raise Failure(f"{title} did not start: {' | '.join(self.errors[-5:])}")
        self.pid = json.loads(ready)["pid"]
        self.xid = json.loads(ready)["xid"]

    def ask(self, command):
        start = len(self.lines)
        self.send(command)
        line = self.wait_for_line(lambda _: True, start)
        if line is None:
            raise Failure(f"{self.name} did not answer {command.split()[0]}")
        return json.loads(line)


    def text(self, widget):
        answer = self.ask("text " + widget)
        if "text" not in answer:
            raise Failure(f"{self.name} does not tell its text: {answer.get('error')}")
        return answer["text"]


def event_of(line):
    """The watcher's event line as (name, payload); None for a diagnostic line."""
    if not line.startswith("{"):
        return None
    try:
        value = json.loads(line)
    except ValueError:
        return None
    return value.get("event"), value.get("data")


def wait_for_event(watcher, names, start, check=lambda data: True, what=None):
    """The payload of the first event from index start on named in names that passes the check."""
    names = (names,) if isinstance(names, str) else names

    def matches(line):
        event = event_of(line)
        return event is not None and event[0] in names and check(event[1] or {})

    line = watcher.wait_for_line(matches, start)
    if line is None:
        raise Failure(f"no {what or names[0]} event within {STEP_SECONDS:.0f} s")
    return event_of(line)[1]


# Events are coalesced: when the application that came to the front announces its focus at once,
# the focus change arrives in place of the switch, naming the application.
SWITCH_EVENTS = ("app_changed", "focused_changed")


def xdotool(*arguments):
    result = subprocess.run(["timeout", "5", "xdotool", *arguments], capture_output=True,
                            text=True)
    if result.returncode != 0:
        raise Failure(f"xdotool {arguments[0]} failed: {result.stderr.strip()}")


def step(text):
    print(f"-- {text}", flush=True)


def run(watch, text_app_script):
    watcher = Child("axbridge-watch", [watch, "--live", "--prompt"])
    apps = []
    printed = False
    try:
        if watcher.wait_for_line(lambda line: line == "Accessibility is enabled") is None:
            raise Failure("axbridge-watch did not start: " + " ".join(watcher.errors))

        step("Drafts starts, then Notes starts in front")
        drafts = TextApp(text_app_script, "Drafts", "axbridge-demo-drafts", VIEW_TEXT)
        apps.append(drafts)
        mark = len(watcher.lines)
        notes = TextApp(text_app_script, "Notes", "axbridge-demo-notes", "Buy milk")
        apps.append(notes)
        wait_for_event(watcher, SWITCH_EVENTS, mark,
                       lambda data: data.get("name") == "axbridge-demo-notes",
                       "app_changed (or focused_changed) for Notes")

        step("the user switches back to Drafts")
        mark = len(watcher.lines)
        # With a window manager as a user's click would; without one the input focus is all.
        if os.environ.get("AXBRIDGE_DESKTOP_WINDOW_MANAGER", "1") == "1":
            xdotool("windowactivate", str(drafts.xid))
        else:
            xdotool("windowfocus", str(drafts.xid))
        wait_for_event(watcher, SWITCH_EVENTS, mark,
                       lambda data: data.get("name") == "axbridge-demo-drafts",
                       "app_changed (or focused_changed) for Drafts")

        step(f"the user moves to the text area (Tab) and selects \"{SELECTED}\" "
             "(Control+End, Shift+Control+Left)")
        mark = len(watcher.lines)
        xdotool("key", "--clearmodifiers", "Tab")
        xdotool("key", "--clearmodifiers", "ctrl+End")
        xdotool("key", "--clearmodifiers", "shift+ctrl+Left")
        wait_for_event(watcher, "text_select", mark,
                       lambda data: data.get("selected_text") == SELECTED,
                       f"text_select of \"{SELECTED}\"")

        step("the host asks for the assistant context")
        mark = len(watcher.lines)
        watcher.send("context")
        wait_for_event(watcher, "alt_enter_pressed", mark,
                       lambda data: data.get("selected_text") == SELECTED,
                       f"alt_enter_pressed with \"{SELECTED}\"")

        step(f"the host replaces the selection with \"{REPLACEMENT}\"")
        mark = len(watcher.lines)
        watcher.send("replace " + REPLACEMENT)
        outcome = watcher.wait_for_line(
            lambda line: line.startswith("pasted text:") or line.startswith("paste cancelled"),
            mark)
        deadline = time.monotonic() + STEP_SECONDS
        text = drafts.text("view")
        while text != EXPECTED_TEXT and time.monotonic() < deadline:
            time.sleep(0.1)
            text = drafts.text("view")

        if outcome and outcome.startswith("pasted text:"):
            # setText returns once it has given the clipboard back, a second after the paste.
            watcher.wait_for_line(lambda line: line == "Task ended", mark)

        step("what the watcher printed")
        for line in watcher.lines:
            print(line)
        printed = True
        print(f"Drafts' text after the paste: {json.dumps(text)}", flush=True)
        if text != EXPECTED_TEXT:
            said = outcome or "neither a pasted nor a cancelled line"
            raise Failure(f"the selection was not replaced (the library said: {said}); "
                          f"expected {json.dumps(EXPECTED_TEXT)}")

        step("axbridge-watch ends on SIGTERM")
        status = watcher.stop()
        if status != 0:
            raise Failure(f"axbridge-watch ended with status {status} on SIGTERM")
    except Failure:
        if not printed:
            print("-- the watcher's lines so far", file=sys.stderr)
            for line in watcher.lines:
                print(line, file=sys.stderr)
        for line in watcher.errors:
            print(line, file=sys.stderr)
        raise
    finally:
        watcher.stop()
        for app in apps:
            try:
                app.send("quit")
            except OSError:
                pass
            app.stop()


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        run(sys.argv[1], sys.argv[2])
    except Failure as failure:
        print(f"live demo failed: {failure}", file=sys.stderr)
        return 1
    print("live demo: every step was seen")
    return 0


if __name__ == "__main__":
    sys.exit(main())
