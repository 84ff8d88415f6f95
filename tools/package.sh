#!/usr/bin/env bash
# Builds the programs (Release, without tests and benchmarks) in build/package/tree and
# makes the Debian package build/package/krm416x_<version>_<arch>.deb with CPack.
# Extra arguments go to CMake's configure step, e.g. -DKRM_PACKAGE_MAINTAINER="...".
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-shlibdeps (dpkg-dev) computes Depends; CPack recognises the programs with `file`.
./tools/install-deps.sh dpkg-dev file
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build/package/tree -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS_RELEASE="-O2" -DKRM_BUILD_TESTS=OFF -DKRM_BUILD_BENCH=OFF \
      "${launcher[@]}" "$@" >/dev/null
cmake --build build/package/tree
rm -f build/package/*.deb
(cd build/package/tree && cpack -G DEB -B "$PWD/.." >/dev/null)
ls build/package/*.deb
