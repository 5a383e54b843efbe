#!/usr/bin/env bash
# Checks the macOS workflow (which only GitHub runs) for the steps a release depends on, then
# builds and runs every test: the suite (with the soak run) in a normal build, then the same
# suite built with clang 16 and libc++, then built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the Linux flavour, the host packages (which bundle it with the
# simulated one) and its end-to-end suite on a real X11 desktop and in Wayland sessions (sway and
# GNOME), then each fuzz target for a short while, then the demo and every example scenario under
# valgrind's memcheck. Fails when any of them fails. AXBRIDGE_QUICK=1 stops after the suites.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=2
run_suite() {
  local dir=$1; shift
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

echo "== macOS workflow"
python3 scripts/check_workflow.py --self-test .github/workflows/macos.yml
echo "== include graph between src/ folders"
python3 scripts/check_include_graph.py --self-test src
echo "== format"
./scripts/check_format.sh
echo "== test share"
# Every test's share of the code, with a little room over today's; the limit only comes down.
python3 scripts/test_share.py

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAXBRIDGE_BUILD_BENCH=ON
# An install into a temporary prefix consumed by C programs through find_package and pkg-config.
echo "== install and consume"
./scripts/check_install.sh build
# clang 16 with LLVM's libc++ 16 stands in for the C++ library of Xcode 15: what only GNU's
# library offers fails here. Warnings are errors for the project's own code.
run_suite build-libcxx -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang-16 \
  -DCMAKE_CXX_COMPILER=clang++-16 -DCMAKE_CXX_FLAGS=-stdlib=libc++ \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DAXBRIDGE_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DAXBRIDGE_SANITIZE=ON

# The real Linux flavour: its unit tests, its installed package and its Debian package, then the
# end-to-end suite against GTK applications on a display of its own, three times with a window
# manager (each run must pass on its own, without a retry) and once without one.
echo "== build-linux"
cmake -S . -B build-linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAXBRIDGE_PLATFORM=linux \
  >/dev/null
cmake --build build-linux -j"$jobs"
ctest --test-dir build-linux --output-on-failure -j"$jobs" -LE e2e
# Hosts: the Node.js and Python packages, tested on build/'s libaxbridge-sim, then packed with it
# and build-linux/'s libaxbridge bundled and installed into empty projects.
echo "== host packages"
./scripts/check_kits.sh build build-linux
echo "== install and consume the real flavour"
./scripts/check_install.sh build-linux
echo "== Debian package of the real flavour"
./scripts/check_deb.sh build-linux
# The widget storm (about 10 s) and the suites of other toolkits'
# applications (GTK 4, Qt 5, both browsers, the word processor; about 30 s) run in the first run
# only.
once_only=(--gtest_filter=-"WindowStormTest.*:ToolkitTest*")
for run in 1 2 3; do
  echo "== Linux end to end, run $run of 3"
  if [[ $run == 1 ]]; then
    ./scripts/linux-e2e.sh build-linux/tests/linux/axbridge_linux_e2e
  else
    ./scripts/linux-e2e.sh build-linux/tests/linux/axbridge_linux_e2e "${once_only[@]}"
  fi
done
echo "== Linux end to end, no window manager"
./scripts/linux-e2e.sh --no-window-manager build-linux/tests/linux/axbridge_linux_e2e \
  "${once_only[@]}"
# Wayland sessions (about a minute): sway with native GTK 3, GTK 4 and Qt 5 applications and an
# XWayland one, then GNOME's compositor with a native GTK 3 application.
echo "== Linux end to end in a sway session"
./scripts/headless-sway.sh build-linux/tests/linux/axbridge_linux_e2e --gtest_filter='Wayland*'
# The same session seen as another compositor's (no sway socket): the library types only through
# a RemoteDesktop portal the user granted (a stand-in on the session bus), else refuses at once.
./scripts/headless-sway.sh env -u SWAYSOCK XDG_CURRENT_DESKTOP=wlroots \
  build-linux/tests/linux/axbridge_linux_e2e --gtest_filter='OtherWayland*'
echo "== Linux end to end in a GNOME session"
./scripts/headless-gnome.sh build-linux/tests/linux/axbridge_linux_e2e --gtest_filter='Gnome*'

[[ "${AXBRIDGE_QUICK:-0}" == 1 ]] && exit 0
echo "== fuzzing"
./scripts/fuzz.sh "${AXBRIDGE_FUZZ_SECONDS:-30}"
echo "== memcheck"
./scripts/leakcheck.sh
