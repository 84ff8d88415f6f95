#!/usr/bin/env bash
# Configures and builds into ./build (Release, assertions kept). Extra arguments go to
# CMake's configure step, e.g. -DKRM_WERROR=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS_RELEASE="-O2" "${launcher[@]}" "$@" >/dev/null
cmake --build build
