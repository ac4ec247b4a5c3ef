#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (under Xvfb when there is no display).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$ROOT/scripts/setup.sh"

install_missing_packages
build

cd "$BUILD_DIR"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 600
else
  ctest --output-on-failure --timeout 600
fi
