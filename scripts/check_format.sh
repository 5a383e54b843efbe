#!/usr/bin/env bash
# Fails when a C, C++ or Objective-C++ file under version control differs from what
# clang-format 14 (Debian 12's, the reference) makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h' '*.mm')
"$formatter" --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files as $("$formatter" --version | sed 's/.*version //')"
