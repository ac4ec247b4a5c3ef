#!/usr/bin/env bash
# Installs what is missing, builds, and starts SWF Scout.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$ROOT/scripts/setup.sh"

install_missing_packages
build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Built, but there is no display to show the window on."
  echo "Run it from a desktop session, or under a virtual one:  xvfb-run -a $BUILD_DIR/bin/swfscout"
  exit 0
fi
exec "$BUILD_DIR/bin/swfscout" "$@"
