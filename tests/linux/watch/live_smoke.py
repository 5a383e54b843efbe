#!/usr/bin/python3
"""axbridge-watch --live on a desktop of its own (run through scripts/headless-desktop.sh).

Checks what a user of the tool relies on: it starts once the desktop's accessibility is switched
on with --prompt, answers commands on standard input without repeating what it was given, ends
with status 0 on SIGTERM, and explains a missing session bus instead of failing obscurely. Every
wait has a deadline.

  live_smoke.py <axbridge-watch>
"""

import os
import signal
import subprocess
import sys
import threading
import time

DEADLINE_SECONDS = 30.0


class Watcher:
    def __init__(self, argv, env=None):
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, bufsize=1, env=env)
        self.out = []
        self.err = []
        self.changed = threading.Condition()
        for stream, into in ((self.process.stdout, self.out), (self.process.stderr, self.err)):
            threading.Thread(target=self.collect, args=(stream, into), daemon=True).start()

    def collect(self, stream, into):
        for line in stream:
            with self.changed:
                into.append(line.rstrip("\n"))
                self.changed.notify_all()

    def wait_for(self, lines, text):
        deadline = time.monotonic() + DEADLINE_SECONDS
        with self.changed:
            while not any(text in line for line in lines):
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    return False
                self.changed.wait(min(remaining, 0.1))
        return True

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def finish(self):
        try:
            return self.process.wait(DEADLINE_SECONDS)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None


def check(condition, what, watcher):
    if not condition:
        print(f"FAILED: {what}", file=sys.stderr)
        print("standard output:\n  " + "\n  ".join(watcher.out), file=sys.stderr)
        print("standard error:\n  " + "\n  ".join(watcher.err), file=sys.stderr)
        sys.exit(1)


def refused(watch, env, when, explanation):
    """The watcher started with nothing to read must end with status 1, saying why."""
    watcher = Watcher([watch, "--live"], env=env)
    watcher.process.stdin.close()
    status = watcher.finish()
    check(status == 1, f"{when} it exits with 1, not {status}", watcher)
    check(watcher.wait_for(watcher.err, explanation), f"{when} it says why", watcher)


def accessibility_enabled():
    answer = subprocess.run(
        ["timeout", "10", "gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
         "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Get", "org.a11y.Status",
         "IsEnabled"], capture_output=True, text=True)
    return "true" in answer.stdout


def main():
    watch = sys.argv[1]

    # A fresh session starts with accessibility off: without --prompt the watcher says so.
    if not accessibility_enabled():
        refused(watch, os.environ, "with accessibility off", "Run axbridge-watch with --prompt")

    watcher = Watcher([watch, "--live", "--prompt"])
    check(watcher.wait_for(watcher.out, "Accessibility is enabled"),
          "it starts with --prompt", watcher)
    watcher.send("help")
    check(watcher.wait_for(watcher.err, "replace <text>"), "help lists the commands", watcher)
    watcher.send("paste my secret please")
    check(watcher.wait_for(watcher.err, "unknown command"), "an unknown command is explained",
          watcher)
    check(not any("secret" in line for line in watcher.out + watcher.err),
          "an unknown command is not repeated", watcher)
    check(watcher.process.poll() is None, "it keeps running after commands", watcher)
    watcher.process.send_signal(signal.SIGTERM)
    check(watcher.finish() == 0, "it ends with status 0 on SIGTERM", watcher)

    # Switched on by the run before, accessibility stays on for the session: no --prompt needed.
    watcher = Watcher([watch, "--live"])
    check(watcher.wait_for(watcher.out, "Accessibility is enabled"),
          "it starts once accessibility is on", watcher)
    watcher.process.send_signal(signal.SIGINT)
    check(watcher.finish() == 0, "it ends with status 0 on SIGINT", watcher)

    without_bus = dict(os.environ, DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/bus")
    refused(watch, without_bus, "without a session bus", "there is no D-Bus session bus")
    print("axbridge-watch --live: switched accessibility on, took commands, ended on SIGTERM "
          "and SIGINT, explained a missing session bus")


if __name__ == "__main__":
    main()
