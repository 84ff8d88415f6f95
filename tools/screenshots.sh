#!/usr/bin/env bash
# Renders the main window offscreen against the virtual device and saves PNGs of every
# bank, the system page, the open navigation panel, the NAME dialog and the about box, in
# English and Chinese, into the given folder (default build/shots) at the given client
# size (default 1920 x 1080). Loopback only.
#
#   tools/screenshots.sh [DIR [WIDTH HEIGHT]]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/shots}"
./tools/build.sh >/dev/null
KRM416X_LOOPBACK_ONLY=1 QT_QPA_PLATFORM=offscreen ./build/app/krm416x-shots "$out" "${2:-1920}" "${3:-1080}"
