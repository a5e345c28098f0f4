#!/usr/bin/env bash
# Installs everything the project needs on a fresh Debian machine, builds it
# and runs every test: the Release build's unit tests and tests of the real
# binary, the Windows program on the golden cases under wine, the unit tests
# again under the address and undefined-behaviour sanitizers (a Debug build,
# so the assertions are checked too), and both fuzz targets built with
# libFuzzer, replaying their corpora once.
#
#   tools/setup-and-test.sh            # build trees: build/, build-sanitize/, build-fuzz/
#   BUILD_DIR=other tools/setup-and-test.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
SANITIZE_DIR=${SANITIZE_DIR:-$ROOT/build-sanitize}
FUZZ_DIR=${FUZZ_DIR:-$ROOT/build-fuzz}

SUDO=
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# Compiler and build; test libraries; for the tests of the real binary a
# frozen clock (faketime), a DXF reader (python3-ezdxf), a terminal (tmux)
# with a GBK translator (luit), and iconv (libc-bin); the report command's
# plots need python3-matplotlib, the import command's geometry python3-shapely; GEOS, the geometry library the layout checks
# use; clang with its libFuzzer runtime.
$SUDO apt-get install -y --no-install-recommends \
  cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev \
  faketime python3 python3-ezdxf python3-matplotlib python3-shapely tmux luit libc-bin coreutils \
  libgeos-dev clang libclang-rt-dev

step() { echo "=== $* ($(date -u +%T))"; }

step "Release build and every test"
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DNEST_BUILD_TESTS=ON
cmake --build "$BUILD_DIR" -j2
(cd "$BUILD_DIR" && ctest --output-on-failure -j2)

step "The Windows program, built with mingw-w64, on the golden cases under wine"
bash "$ROOT/tools/test-windows.sh"

step "Unit tests under the sanitizers"
(cd "$ROOT" && cmake --preset sanitize -B "$SANITIZE_DIR")
cmake --build "$SANITIZE_DIR" -j2 --target nest_tests
(cd "$SANITIZE_DIR" && ctest --output-on-failure -j2 -LE e2e)

step "Fuzz targets replaying their corpora"
cmake -S "$ROOT" -B "$FUZZ_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g" \
  -DNEST_BUILD_FUZZ=ON -DNEST_BUILD_TESTS=OFF
cmake --build "$FUZZ_DIR" -j2 --target part_file_fuzzer layout_fuzzer
"$FUZZ_DIR/fuzz/part_file_fuzzer" -runs=0 "$ROOT/fuzz/corpus"
"$FUZZ_DIR/fuzz/layout_fuzzer" -runs=0 "$ROOT/fuzz/layout_corpus"
step "All passed"
