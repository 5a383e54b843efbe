# Sourced by the headless Wayland runners, whose compositors refuse to run as root (sway) or
# should not.
#
# Run as root, `run_as_session_user <script> <command> [arguments...]` runs the script again as a
# dedicated user (AXBRIDGE_WAYLAND_USER, default axbridge-wayland, created when missing) and does
# not return; as anyone else it returns at once. A clone in a root-owned folder (as CI makes one) is
# first made reachable for that user: the folders on the way to the source tree and to the command
# become traversable, and the tree and the command's folder readable.
run_as_session_user() {
  local script=$1 command=$2
  shift
  [[ $(id -u) -eq 0 ]] || return 0
  local user=${AXBRIDGE_WAYLAND_USER:-axbridge-wayland}
  id -u "$user" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
  command=$(command -v "$command" || echo "$command")
  local tree path
  for tree in "$(dirname "$script")/.." "$(dirname "$command")"; do
    tree=$(realpath "$tree")
    path=$tree
    while [[ "$path" != / ]]; do
      runuser -u "$user" -- test -x "$path" || chmod o+x "$path"
      path=$(dirname "$path")
    done
    if ! runuser -u "$user" -- test -r "$command" -a -r "$tree/." ; then
      chmod -R o+rX "$tree"
    fi
  done
  exec runuser -u "$user" -- "$script" "$@"
}

# `open_session <script> <desktop> <command> [arguments...]`: after run_as_session_user, sets $work
# to a scratch directory removed on exit, where the session's own processes write their ids into
# $work/pids (killed on exit), and points the session's environment at fresh runtime and home
# directories inside it (XDG_CURRENT_DESKTOP=<desktop>).
open_session() {
  local script=$1 desktop=$2
  shift 2
  [[ $# -gt 0 ]] || { echo "usage: $0 <command> [arguments...]" >&2; exit 2; }
  run_as_session_user "$script" "$@"
  work=$(mktemp -d)
  trap session_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  mkdir -m 700 "$work/runtime" "$work/home"
  export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home AXBRIDGE_DESKTOP_WORK=$work
  export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=$desktop
  # Applications must not read a user's settings; GTK and Qt answer through AT-SPI.
  export GSETTINGS_BACKEND=memory GTK_A11Y=atspi QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  unset NO_AT_BRIDGE DISPLAY WAYLAND_DISPLAY SWAYSOCK
}

session_cleanup() {
  [[ -f "$work/pids" ]] && xargs -r kill <"$work/pids" 2>/dev/null || true
  sleep 0.2
  rm -rf "$work"
}
