#!/usr/bin/env bash
# Installs what the program needs on a fresh Debian machine, builds it and
# runs the main job: the sample part file examples/plates.txt, laid out with
# simulated annealing, answers given on standard input. The run happens in
# the folder out/ (replaced each time), where the three result files stay;
# tools/nest-report then draws the layout and the search into it.
#
#   tools/setup-and-run.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
OUT=$ROOT/out

SUDO=
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# The program's build, iconv (libc-bin), the report's DXF reader, plots and
# a face for part names in Chinese, and the import command's geometry
# predicates (python3-shapely).
$SUDO apt-get install -y --no-install-recommends cmake g++ make libc-bin \
  python3 python3-ezdxf python3-matplotlib python3-shapely fonts-wqy-microhei

# A build tree of its own is configured without the tests (their libraries
# are not installed here); one that tools/setup-and-test.sh made keeps them.
TESTS=()
[[ -f $BUILD_DIR/CMakeCache.txt ]] || TESTS=(-DNEST_BUILD_TESTS=OFF)
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release "${TESTS[@]}"
cmake --build "$BUILD_DIR" --target nest -j2

rm -rf "$OUT"
mkdir -p "$OUT"
cp "$ROOT/examples/plates.txt" "$OUT/"
cd "$OUT"
# The five answers: part file, RN, PPD, method (1: simulated annealing) and
# the number of iterations. The line end after the last answer serves as the
# key press the program waits for at the end. The program writes GBK; iconv
# shows it on a UTF-8 terminal.
printf 'plates.txt\n4\n5\n1\n100\n' | "$BUILD_DIR/nest" | iconv -f GBK -t UTF-8

# Pictures of the layout and of the search, and a summary of the run that
# names the three result files and the pictures.
echo
"$ROOT/tools/nest-report" "$OUT" plates.txt
echo
echo "Log.txt is GBK text; read it with: iconv -f GBK -t UTF-8 $OUT/Log.txt"
