#!/usr/bin/env bash
# Redraws the program icons res/krm416x.png (128 px, compiled into the program and
# installed) and res/krm416x-256.png (installed) with the krm416x-icon tool (needs a
# configured ./build, e.g. from tools/build.sh). The PNGs are committed; res/krm416x.svg
# is the same drawing by hand for the scalable icon.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target krm416x-icon
QT_QPA_PLATFORM=offscreen ./build/app/krm416x-icon res/krm416x.png 128
QT_QPA_PLATFORM=offscreen ./build/app/krm416x-icon res/krm416x-256.png 256
echo res/krm416x.png res/krm416x-256.png
