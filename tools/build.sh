#!/usr/bin/env bash
# Configures and builds into ./build (Release, assertions kept). Extra arguments go to
# CMake's configure step, e.g. -DKRM_WERROR=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS_RELEASE="-O2" "$@" >/dev/null
cmake --build build
