#!/usr/bin/env bash
# Runs a command in a Wayland session of its own: a headless sway (1280x800, XWayland on) with a
# fresh private runtime directory, a private D-Bus session bus with accessibility switched on,
# and one virtual keyboard held for the whole run (without a keyboard on its seat sway activates
# no window). The command sees WAYLAND_DISPLAY, SWAYSOCK, DISPLAY (XWayland's) and
# AXBRIDGE_DESKTOP_WORK, a scratch directory removed afterwards; its exit status is the script's.
#
# sway refuses to run as root: run as root, the script runs itself again as a dedicated user
# (AXBRIDGE_WAYLAND_USER, default axbridge-wayland, created when missing), after letting that
# user reach the source tree and the command.
#
#   scripts/headless-sway.sh <command> [arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wayland-session-user.sh"
open_session "$here/headless-sway.sh" sway "$@"
cat >"$work/sway.config" <<'EOF'
output HEADLESS-1 resolution 1280x800 position 0 0
xwayland enable
EOF

status=0
dbus-run-session -- bash -c '
  set -u
  wait_for() {
    local deadline=$((SECONDS + 20))
    until eval "$1"; do
      ((SECONDS < deadline)) || return 1
      sleep 0.05
    done
  }
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$AXBRIDGE_DESKTOP_WORK/sway.config" >"$AXBRIDGE_DESKTOP_WORK/sway.log" 2>&1 &
  sway_pid=$!
  echo "$sway_pid" >>"$AXBRIDGE_DESKTOP_WORK/pids"
  if ! wait_for "compgen -G \"\$XDG_RUNTIME_DIR/wayland-*.lock\" >/dev/null &&
                 compgen -G \"\$XDG_RUNTIME_DIR/sway-ipc.*\" >/dev/null"; then
    echo "sway did not start:" >&2
    cat "$AXBRIDGE_DESKTOP_WORK/sway.log" >&2
    exit 1
  fi
  lock=$(compgen -G "$XDG_RUNTIME_DIR/wayland-*.lock" | head -n1)
  export WAYLAND_DISPLAY=$(basename "$lock" .lock)
  export SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*" | head -n1)
  # The display of XWayland: the one sway gives the programs it starts.
  swaymsg -q exec "echo \"\$DISPLAY\" >$AXBRIDGE_DESKTOP_WORK/display"
  wait_for "test -s $AXBRIDGE_DESKTOP_WORK/display" || { echo "no XWayland display" >&2; exit 1; }
  export DISPLAY=$(cat "$AXBRIDGE_DESKTOP_WORK/display")
  dbus-update-activation-environment WAYLAND_DISPLAY XDG_RUNTIME_DIR DISPLAY SWAYSOCK \
    XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
  gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "<true>" >/dev/null
  # A keyboard on the seat for the whole run (its empty keymap is never used: it types nothing):
  # one that came and went would take the focus away.
  wtype -s 2147483647 &
  keyboard_pid=$!
  echo "$keyboard_pid" >>"$AXBRIDGE_DESKTOP_WORK/pids"
  status=0
  "$@" || status=$?
  kill "$keyboard_pid" "$sway_pid" 2>/dev/null
  exit $status
' session "$@" || status=$?
exit $status
