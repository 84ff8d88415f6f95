#!/usr/bin/env bash
# Renders the main window offscreen against the virtual device and saves PNGs of every
# bank and the system page, in English and Chinese, into the given folder (default
# build/shots). Loopback only.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/shots}"
./tools/build.sh >/dev/null
KRM416X_LOOPBACK_ONLY=1 QT_QPA_PLATFORM=offscreen ./build/app/krm416x-shots "$out" 1920 1080
