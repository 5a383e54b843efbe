#!/usr/bin/env bash
# Installs a build into a temporary prefix (with an include directory of its own), then builds and
# links a small C consumer against each flavour that got installed, once with find_package and once
# with pkg-config. Unasked, a simulated build must install nothing and say why. The simulated
# flavour (installed on request, which this script makes) also runs its consumer: the C host of
# examples/c/host.c, which the README shows, must print the event it hears.
#
# usage: scripts/check_install.sh [build-dir]     (default: build; configured and built if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

python3 - <<'PY' || { echo "check_install: README.md does not show examples/c/host.c as it is" >&2; exit 1; }
import pathlib, sys
sys.exit(pathlib.Path("examples/c/host.c").read_text() not in pathlib.Path("README.md").read_text())
PY

generator=()
[[ -f $build/CMakeCache.txt ]] || generator=(-G Ninja)
cmake -S . -B "$build" "${generator[@]}" -DAXBRIDGE_INSTALL_SIM=OFF >/dev/null
if grep -q '^AXBRIDGE_PLATFORM:STRING=sim$' "$build/CMakeCache.txt"; then
  # Unasked, the simulated flavour installs nothing, and says why.
  said=$(cmake --install "$build" --prefix "$work/unasked")
  if [[ -e $work/unasked ]] || ! grep -q -- '-DAXBRIDGE_INSTALL_SIM=ON' <<<"$said"; then
    echo "check_install: the simulated flavour installed unasked, or said nothing:" >&2
    echo "$said" >&2
    exit 1
  fi
fi

# Into an include directory of its own, as a distribution may choose (the consumers below must
# find the headers there); the build's own setting is put back afterwards.
own_includedir=include/axbridge-check
includedir=$(sed -n 's/^CMAKE_INSTALL_INCLUDEDIR:PATH=//p' "$build/CMakeCache.txt")
[[ $includedir == "$own_includedir" ]] && includedir=  # left by an interrupted run
trap 'cmake -S . -B "$build" -DCMAKE_INSTALL_INCLUDEDIR="${includedir:-include}" >/dev/null
      rm -rf "$work"' EXIT
cmake -S . -B "$build" -DAXBRIDGE_INSTALL_SIM=ON -DCMAKE_INSTALL_INCLUDEDIR="$own_includedir" \
  >/dev/null
cmake --build "$build" -j2 >/dev/null
cmake --install "$build" --prefix "$prefix" >/dev/null
[[ -f $prefix/$own_includedir/axbridge/axbridge.h && -f $prefix/share/doc/axbridge/LICENSE ]] ||
  { echo "check_install: the header or the licence is not where GNUInstallDirs says" >&2; exit 1; }

# The real flavour only links here: watching the desktop needs a session with the platform's
# accessibility service.
write_real_consumer() {
  cat > "$1" <<'C'
#include <axbridge/axbridge.h>
#include <stdio.h>
int main(int argc, char** argv) {
  (void)argv;
  if (argc > 1) printf("trusted: %d\n", isAccessibiltyEnabled());
  return 0;
}
C
}

flavours=0
while IFS= read -r pc; do
  package=$(basename "$pc" .pc)
  flavours=$((flavours + 1))
  echo "== $package: installed in $prefix"
  consumer=$work/$package
  mkdir -p "$consumer"
  if [[ $package == axbridge-sim ]]; then
    cp "$source_dir/examples/c/host.c" "$consumer/main.c"
  else
    write_real_consumer "$consumer/main.c"
  fi

  cat > "$consumer/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package($package 0.1 REQUIRED)
add_executable(consumer main.c)
target_link_libraries(consumer PRIVATE axbridge::$package)
CMAKE
  cmake -S "$consumer" -B "$consumer/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$consumer/build" >/dev/null
  echo "find_package($package): built"

  export PKG_CONFIG_PATH
  PKG_CONFIG_PATH=$(dirname "$pc")
  libdir=$(pkg-config --variable=libdir "$package")
  # shellcheck disable=SC2046  # the flags are words
  cc -o "$consumer/with-pkg-config" "$consumer/main.c" $(pkg-config --cflags --libs "$package") \
    -Wl,-rpath,"$libdir"
  echo "pkg-config $package: built"

  if [[ $package == axbridge-sim ]]; then
    for program in "$consumer/build/consumer" "$consumer/with-pkg-config"; do
      output=$("$program")
      grep -q '^app_changed {.*"name":"Notes"' <<<"$output" ||
        { echo "check_install: $program printed no app_changed:" >&2; echo "$output" >&2; exit 1; }
    done
    echo "axbridge-sim consumers: each heard app_changed"
  fi
done < <(find "$prefix" -path '*/pkgconfig/axbridge*.pc' | sort)

if [[ $flavours -eq 0 ]]; then
  echo "check_install: nothing was installed" >&2
  exit 1
fi
