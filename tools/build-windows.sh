#!/usr/bin/env bash
# Installs Debian's mingw-w64 cross compiler and builds the Windows program
# build-windows/nest.exe (64-bit, one file with its runtime linked in).
#
#   tools/build-windows.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)

SUDO=
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# The 64-bit compiler of mingw-w64 with the posix thread model (the standard
# library's threads need it).
$SUDO apt-get install -y --no-install-recommends cmake make g++-mingw-w64-x86-64-posix

cd "$ROOT"
cmake --preset windows
cmake --build --preset windows -j2
echo "Built $ROOT/build-windows/nest.exe"
