#!/usr/bin/env bash
# Builds the sanitizer build into build-san/ (clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# with the fuzz targets) and runs the tests there. The web engine is left out of this build, so the
# one test that needs a real page is skipped here; build/ runs it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-san" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPKL_SANITIZE=ON -DPKL_FUZZ=ON
cmake --build "$top/build-san" --parallel "$(nproc)"
[ "${1:-}" = "--build-only" ] && exit 0
cd "$top/build-san"
ctest --output-on-failure --timeout 300 -j "$(nproc)" < /dev/null
