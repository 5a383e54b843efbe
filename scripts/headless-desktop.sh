#!/usr/bin/env bash
# Runs a command on a desktop of its own: a fresh Xvfb (its number chosen by the server, so
# parallel runs never share one), a private D-Bus session bus, where GTK applications start the
# accessibility bus themselves (the one service the bus can start), and a small window manager
# unless --no-window-manager is given.
# The command sees DISPLAY, AXBRIDGE_DESKTOP_WINDOW_MANAGER (1 or 0) and AXBRIDGE_DESKTOP_WORK, a
# scratch directory removed afterwards; its exit status is the script's.
#
#   scripts/headless-desktop.sh [--no-window-manager] <command> [arguments...]
set -euo pipefail

window_manager=1
if [[ "${1:-}" == "--no-window-manager" ]]; then
  window_manager=0
  shift
fi
[[ $# -gt 0 ]] || { echo "usage: $0 [--no-window-manager] <command> [arguments...]" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Polls until the command succeeds, for at most the given number of seconds.
wait_for() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if ((SECONDS >= deadline)); then return 1; fi
    sleep 0.05
  done
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
if ! wait_for 10 test -s "$work/display"; then
  echo "Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
export AXBRIDGE_DESKTOP_WINDOW_MANAGER=$window_manager AXBRIDGE_DESKTOP_WORK=$work
# GTK must not read a user's settings or talk to a real session's services.
export GSETTINGS_BACKEND=memory GTK_A11Y=atspi
unset NO_AT_BRIDGE
# An X11 desktop, also when started from inside a Wayland session: the library would otherwise
# follow that session's compositor.
unset WAYLAND_DISPLAY SWAYSOCK
export XDG_SESSION_TYPE=x11

# A session bus configuration of its own, whose one service directory holds the accessibility
# bus's launcher: the services installed on the machine (a desktop portal, for one) would
# otherwise start whenever an application asks for them.
mkdir "$work/services"
IFS=: read -ra data_dirs <<<"${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
for dir in "${data_dirs[@]}"; do
  if [[ -f "$dir/dbus-1/services/org.a11y.Bus.service" ]]; then
    cp "$dir/dbus-1/services/org.a11y.Bus.service" "$work/services/"
    break
  fi
done
cat >"$work/session.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:tmpdir=$work</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$work/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF

status=0
dbus-run-session --config-file="$work/session.conf" -- bash -c '
  set -u
  wm_pid=
  if [[ "$AXBRIDGE_DESKTOP_WINDOW_MANAGER" == 1 ]]; then
    # matchbox now and then exits at once, saying it cannot open a display that other clients
    # open fine (about one start in twenty here): a window manager that exits before it is up is
    # started again, three times at most.
    for attempt in 1 2 3; do
      matchbox-window-manager -use_titlebar no >"$AXBRIDGE_DESKTOP_WORK/wm.log" 2>&1 &
      wm_pid=$!
      deadline=$((SECONDS + 10))
      until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        if ! kill -0 "$wm_pid" 2>/dev/null || ((SECONDS >= deadline)); then
          kill "$wm_pid" 2>/dev/null
          wm_pid=
          break
        fi
        sleep 0.05
      done
      [[ -n "$wm_pid" ]] && break
    done
    if [[ -z "$wm_pid" ]]; then
      echo "the window manager did not start:" >&2
      cat "$AXBRIDGE_DESKTOP_WORK/wm.log" >&2
      exit 1
    fi
  fi
  status=0
  "$@" || status=$?
  [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null
  exit $status
' desktop "$@" || status=$?
exit $status
