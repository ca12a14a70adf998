#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (benchmarks excluded).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${NULLVANE_BUILD_DIR:-$top/build}"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -LE bench -j "$(nproc)" --timeout 600 "$@"
