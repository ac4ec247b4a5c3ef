#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the program's tests
# (the window ones under Xvfb when there is no display), then the search tests
# under sanitizers and a one-minute fuzzing run.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$ROOT/scripts/setup.sh"

install_missing_packages
build
build_sanitized

status=0
cd "$BUILD_DIR"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 600 || status=$?
else
  ctest --output-on-failure --timeout 600 || status=$?
fi
cd "$SANITIZE_DIR"
ctest --output-on-failure --timeout 600 || status=$?
exit $status
