#!/usr/bin/env bash
# Installs the packages, builds, and starts the program. When no device address has
# been stored yet (no `hostip` in the per-user settings), the program starts in demo
# mode against its built-in virtual device on loopback. Arguments go to the program
# and replace that choice.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
./tools/build.sh
settings="${XDG_CONFIG_HOME:-$HOME/.config}/KRM/krm416x.ini"
if [ "$#" -eq 0 ] && ! grep -qs '^hostip=.\+' "$settings"; then
    set -- --demo
fi
exec ./build/app/krm416x "$@"
