# Sourced by the headless Wayland runners, whose compositors refuse to run as root (sway) or
# should not: run as root, `run_as_session_user <script> <command> [arguments...]` runs the
# script again as a dedicated user (AXBRIDGE_WAYLAND_USER, default axbridge-wayland, created when
# missing) and does not return; as anyone else it returns at once. A clone in a root-owned folder
# (as CI makes one) is first made reachable for that user: the folders on the way to the source
# tree and to the command become traversable, and the tree and the command's folder readable.
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
