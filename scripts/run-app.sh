#!/usr/bin/env bash
# Installs what is missing, builds, and starts Nullvane. Without a display it
# starts under a virtual one (Xvfb).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${NULLVANE_BUILD_DIR:-$top/build}"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
app="$build/bin/nullvane"
if [ ! -x "$app" ]; then
  echo "Nullvane's main window is not built yet; the libraries and tests are."
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$app" "$@"
fi
exec "$app" "$@"
