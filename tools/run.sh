#!/usr/bin/env bash
# Installs the packages, builds, and starts the program. With no device configured the
# program talks to its built-in virtual device on loopback (--demo); any arguments are
# passed to the program instead.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
./tools/build.sh
if [ "$#" -eq 0 ]; then set -- --demo; fi
exec ./build/app/krm416x "$@"
