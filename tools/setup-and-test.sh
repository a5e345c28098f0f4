#!/usr/bin/env bash
# Installs everything the project needs on a fresh Debian machine, builds it
# and runs every test (unit tests and the tests of the real binary).
#
#   tools/setup-and-test.sh            # build tree: build/
#   BUILD_DIR=other tools/setup-and-test.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}

SUDO=
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# Compiler and build; test libraries; for the tests of the real binary a
# frozen clock (faketime), a DXF reader (python3-ezdxf), a terminal (tmux)
# with a GBK translator (luit), and iconv (libc-bin); the report command's
# plots need python3-matplotlib.
$SUDO apt-get install -y --no-install-recommends \
  cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev \
  faketime python3 python3-ezdxf python3-matplotlib tmux luit libc-bin coreutils

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD_DIR" -j2
cd "$BUILD_DIR"
ctest --output-on-failure -j2

# The Windows program, built with mingw-w64, on the golden cases under wine.
bash "$ROOT/tools/test-windows.sh"
