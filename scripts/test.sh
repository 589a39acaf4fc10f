#!/usr/bin/env bash
# Builds everything and runs every test headless; then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and each fuzz target for a short time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
(cd "$top/build" && ctest --output-on-failure --timeout 300 -j "$(nproc)" < /dev/null)
"$top/scripts/sanitize.sh"
"$top/scripts/fuzz.sh" 30
