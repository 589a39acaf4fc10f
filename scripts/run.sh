#!/usr/bin/env bash
# Builds the tool and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
exec "$top/build/PelkavinTool"
