#!/usr/bin/python3
"""axbridge-watch --live on a desktop of its own (run through scripts/headless-desktop.sh): it
switches accessibility on with --prompt, answers commands on standard input without repeating
what it was given, and ends with status 0 on SIGTERM. Every wait has a deadline.

  live_smoke.py <axbridge-watch>
"""

import signal
import subprocess
import sys
import threading
import time

DEADLINE_SECONDS = 30.0


def main():
    watcher = subprocess.Popen([sys.argv[1], "--live", "--prompt"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                               bufsize=1)
    lines = []
    threading.Thread(target=lambda: lines.extend(line.rstrip("\n") for line in watcher.stdout),
                     daemon=True).start()

    def check(condition, what):
        if not condition:
            watcher.kill()
            sys.exit(f"FAILED: {what}\noutput:\n  " + "\n  ".join(lines))

    def said(text):
        deadline = time.monotonic() + DEADLINE_SECONDS
        while not any(text in line for line in list(lines)) and time.monotonic() < deadline:
            time.sleep(0.05)
        return any(text in line for line in list(lines))

    check(said("Accessibility is enabled"), "it starts with --prompt")
    watcher.stdin.write("help\npaste my secret please\n")
    watcher.stdin.flush()
    check(said("replace <text>"), "help lists the commands")
    check(said("unknown command"), "an unknown command is explained")
    check(not any("secret" in line for line in lines), "an unknown command is not repeated")
    watcher.send_signal(signal.SIGTERM)
    try:
        status = watcher.wait(DEADLINE_SECONDS)
    except subprocess.TimeoutExpired:
        status = None
    check(status == 0, f"it ends with status 0 on SIGTERM, not {status}")
    print("axbridge-watch --live: switched accessibility on, took commands, ended on SIGTERM")


if __name__ == "__main__":
    main()
