#!/usr/bin/env bash
# Redraws the program icon res/krm416x.png with the krm416x-icon tool (needs a configured
# ./build, e.g. from tools/build.sh). The PNG is committed; the build only compiles it in.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target krm416x-icon
QT_QPA_PLATFORM=offscreen ./build/app/krm416x-icon res/krm416x.png 128
echo res/krm416x.png
