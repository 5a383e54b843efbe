#!/usr/bin/env bash
# Runs a command in a GNOME Wayland session of its own: a headless mutter (one 1280x800 virtual
# monitor, no X11) on a private D-Bus session bus, where org.gnome.Mutter.RemoteDesktop answers,
# with a fresh private runtime directory, accessibility switched on and a keyboard on its seat.
# The command sees WAYLAND_DISPLAY and AXBRIDGE_DESKTOP_WORK, a scratch directory removed afterwards; its exit
# status is the script's. Run as root, it runs as a dedicated user, as scripts/headless-sway.sh.
#
#   scripts/headless-gnome.sh <command> [arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wayland-session-user.sh"
open_session "$here/headless-gnome.sh" GNOME "$@"

status=0
dbus-run-session -- bash -c '
  set -u
  mutter --headless --wayland --no-x11 --virtual-monitor 1280x800 \
    >"$AXBRIDGE_DESKTOP_WORK/mutter.log" 2>&1 &
  echo $! >>"$AXBRIDGE_DESKTOP_WORK/pids"
  deadline=$((SECONDS + 20))
  until compgen -G "$XDG_RUNTIME_DIR/wayland-*.lock" >/dev/null &&
        gdbus introspect --session --dest org.gnome.Mutter.RemoteDesktop \
          --object-path /org/gnome/Mutter/RemoteDesktop >/dev/null 2>&1; do
    if ((SECONDS >= deadline)); then
      echo "mutter did not start:" >&2
      cat "$AXBRIDGE_DESKTOP_WORK/mutter.log" >&2
      exit 1
    fi
    sleep 0.05
  done
  lock=$(compgen -G "$XDG_RUNTIME_DIR/wayland-*.lock" | head -n1)
  export WAYLAND_DISPLAY=$(basename "$lock" .lock)
  dbus-update-activation-environment WAYLAND_DISPLAY XDG_RUNTIME_DIR XDG_SESSION_TYPE \
    XDG_CURRENT_DESKTOP
  gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "<true>" >/dev/null
  # A keyboard on the seat for the whole run (without one no window is ever active): a session
  # of the remote-desktop interface, held open, that has pressed a key once.
  /usr/bin/python3 -c "
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
def call(path, method, args=None):
    interface = \"org.gnome.Mutter.RemoteDesktop\" + (\".Session\" if \"Session\" in path else \"\")
    return bus.call_sync(\"org.gnome.Mutter.RemoteDesktop\", path, interface, method, args, None,
                         0, 5000, None).unpack()
session = call(\"/org/gnome/Mutter/RemoteDesktop\", \"CreateSession\")[0]
call(session, \"Start\")
for pressed in (True, False):
    call(session, \"NotifyKeyboardKeysym\", GLib.Variant(\"(ub)\", (0xFFE1, pressed)))
print(flush=True)
GLib.MainLoop().run()
" >"$AXBRIDGE_DESKTOP_WORK/keyboard" &
  echo $! >>"$AXBRIDGE_DESKTOP_WORK/pids"
  until [[ -s "$AXBRIDGE_DESKTOP_WORK/keyboard" ]]; do
    ((SECONDS < deadline + 10)) || { echo "no keyboard on the seat" >&2; exit 1; }
    sleep 0.05
  done
  "$@"
' session "$@" || status=$?
exit $status
