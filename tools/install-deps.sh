#!/usr/bin/env bash
# Installs the Debian 12 packages the program, its tests and benchmarks need.
# Idempotent and quiet: does nothing when every package is already there. Extra package
# names given as arguments are installed as well (CI adds clang and clang-format).
set -euo pipefail
PKGS=(cmake ninja-build g++ pkg-config
      qt6-base-dev libsqlite3-dev libcurl4-openssl-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      fonts-wqy-microhei xvfb xauth "$@")
if dpkg-query -W -f='${Status}\n' "${PKGS[@]}" 2>/dev/null | grep -qv 'install ok installed' \
   || ! dpkg-query -W "${PKGS[@]}" >/dev/null 2>&1; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${PKGS[@]}" >/dev/null
fi
