#!/usr/bin/env bash
# Packs the real Linux flavour of a build as a Debian package (cpack -G DEB, configured for /usr),
# checks its control data (run-time dependencies from dpkg-shlibdeps) and contents, then builds a
# C consumer against the package unpacked with dpkg -x, through find_package and pkg-config, and
# runs it. The package is never installed on this machine.
#
# usage: scripts/check_deb.sh [build-dir]     (default: build-linux; configured and built if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-linux}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_deb: $*" >&2; exit 1; }

generator=()
[[ -f $build/CMakeCache.txt ]] || generator=(-G Ninja)
cmake -S . -B "$build" "${generator[@]}" -DAXBRIDGE_PLATFORM=linux -DCMAKE_INSTALL_PREFIX=/usr \
  >/dev/null
cmake --build "$build" --target axbridge -j2 >/dev/null
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(find "$work/out" -maxdepth 1 -name 'axbridge_*.deb')
[[ -f $deb ]] || fail "cpack made no axbridge_*.deb"

info=$(dpkg-deb --info "$deb")
echo "== $(basename "$deb")"
grep -E '^ (Package|Version|Architecture|Depends):' <<<"$info"
for field in 'Package: axbridge' "Architecture: $(dpkg --print-architecture)" \
             'Depends: .*libatspi2\.0-0 \(>= [^)]*\).*libc6 \(>= .*libxcb1'; do
  grep -Eq "^ $field" <<<"$info" || fail "the control data lacks '$field'"
done

root=$work/root
dpkg -x "$deb" "$root"
libdir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for file in "$libdir/libaxbridge.so.0" usr/include/axbridge/axbridge.h \
            usr/share/doc/axbridge/copyright "$libdir/cmake/axbridge/axbridgeConfig.cmake"; do
  [[ -e $root/$file ]] || fail "the package lacks /$file"
done
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$root/usr/share/doc/axbridge/copyright" || fail "the copyright file is not machine-readable"
grep -qx 'prefix=/usr' "$root/$libdir/pkgconfig/axbridge.pc" || fail "axbridge.pc is not for /usr"

consumer=$work/consumer
mkdir -p "$consumer"
cat > "$consumer/main.c" <<'C'
#include <axbridge/axbridge.h>
#include <stdio.h>
int main(int argc, char** argv) {
  (void)argv;
  if (argc > 1) printf("trusted: %d\n", isAccessibiltyEnabled());
  return 0;
}
C
cat > "$consumer/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(axbridge 0.1 REQUIRED)
add_executable(consumer main.c)
target_link_libraries(consumer PRIVATE axbridge::axbridge)
CMAKE
cmake -S "$consumer" -B "$consumer/build" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$consumer/build" >/dev/null
# pkg-config reads the package's own file, with its /usr paths moved under the unpacked tree by
# a sysroot, or by --define-prefix.
export PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$root/$libdir/pkgconfig
# shellcheck disable=SC2046  # the flags are words
cc -o "$consumer/with-pkg-config" "$consumer/main.c" $(pkg-config --cflags --libs axbridge)
# shellcheck disable=SC2046
cc -o "$consumer/with-define-prefix" "$consumer/main.c" \
  $(env -u PKG_CONFIG_SYSROOT_DIR pkg-config --define-prefix --cflags --libs axbridge)
for program in "$consumer/build/consumer" "$consumer/with-pkg-config" \
               "$consumer/with-define-prefix"; do
  LD_LIBRARY_PATH=$root/$libdir "$program" || fail "$program did not run"
done
echo "consumers of the unpacked package: built with find_package and pkg-config, and run"
