#!/usr/bin/env bash
# Configures and builds into build/ (Release with debug info, warnings as errors for our code).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$top/build" --parallel "$(nproc)"
