#!/usr/bin/env bash
# Pictures of nest.exe in a Windows console window, made with wine's
# wineconsole in a wine desktop on a virtual display (Xvfb):
#
#   docs/windows-console.png  a whole run: the part file 零件.txt (a copy of
#                             examples/plates.txt) typed at the first prompt,
#                             the search and the closing prompt
#   docs/windows-warning.png  the warning box for a part file that is missing
#
# The program runs from C:\nest in a wine prefix of its own; the answers are
# typed as key presses. Wine's console gives every character one cell, where
# a Windows console gives a Chinese character two; so the console font is a
# copy of Debian's WenQuanYi Micro Hei Mono whose cell is as wide as a
# Chinese character (the Latin letters then stand apart). Simulated key
# presses into a window are not reliable enough for CI: look at the pictures
# before committing them.
#
#   tools/windows-screenshot.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tests/e2e/lib.sh"

SUDO=
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
bash "$ROOT/tools/build-windows.sh"
# fonts-wine: the window frames' symbols (Marlett) and the dialog face.
$SUDO apt-get install -y --no-install-recommends wine wine64 fonts-wine xvfb xdotool \
  imagemagick fonts-wqy-microhei python3 python3-fonttools
need_tool wine wineserver Xvfb xdotool import convert

BUILD=$ROOT/build-windows
WORK=$BUILD/screenshot
rm -rf "$WORK"
mkdir -p "$WORK"
export WINEPREFIX=$BUILD/wine-screenshot-prefix WINEDEBUG=-all
DESKTOP=1160x640

# A display of its own; Xvfb picks a free number.
Xvfb -displayfd 3 -screen 0 "${DESKTOP}x24" -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB=$!
cleanup() {
  wineserver --kill >/dev/null 2>&1 || true
  kill "$XVFB" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 1 100); do
  [[ -s $WORK/display ]] && break
  sleep 0.1
done
[[ -s $WORK/display ]] || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$WORK/display")

mkdir -p "$WINEPREFIX"
timeout 600 wine wineboot --init >"$WORK/wineboot.log" 2>&1 || fail "wine did not start"

# The console font.
FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
FONTS=$WINEPREFIX/drive_c/windows/Fonts
/usr/bin/python3 - "$FONT" "$FONTS/nestconsole.ttf" <<'PY'
import sys
from fontTools.ttLib import TTCollection

font = next(f for f in TTCollection(sys.argv[1]).fonts
            if f["name"].getDebugName(1) == "WenQuanYi Micro Hei Mono")
# The console's cell is the font's average character width.
font["OS/2"].xAvgCharWidth = font["head"].unitsPerEm
names = font["name"]
for record in list(names.names):
    if record.nameID in (1, 3, 4, 6, 16, 17):
        names.removeNames(nameID=record.nameID)
for platform, encoding, language in ((3, 1, 0x409), (1, 0, 0)):
    names.setName("Nest Console", 1, platform, encoding, language)
    names.setName("Nest Console", 4, platform, encoding, language)
    names.setName("NestConsole", 6, platform, encoding, language)
font.save(sys.argv[2])
PY
cp "$FONT" "$FONTS/"
# The frames' symbols, where wine does not find them itself.
cp /usr/share/wine/fonts/marlett.ttf "$FONTS/" 2>/dev/null || true

reg() { wine reg add "$@" /f >/dev/null 2>&1 || fail "the setting $* was not taken"; }
# Windows drawn by wine in a desktop window, with frames and captions.
reg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default
reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d "$DESKTOP"
reg 'HKCU\Console' /v FaceName /t REG_SZ /d "Nest Console"
reg 'HKCU\Console' /v FontSize /t REG_DWORD /d 0x00100000      # 16 pixels high
reg 'HKCU\Console' /v WindowSize /t REG_DWORD /d 0x00230050    # 80 x 35
reg 'HKCU\Console' /v ScreenBufferSize /t REG_DWORD /d 0x012c0050
# The Chinese characters of the message box, from WenQuanYi Micro Hei.
LINK='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
  reg "$LINK" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei"
done
wineserver --wait

RUN=$WINEPREFIX/drive_c/nest
rm -rf "$RUN"
mkdir -p "$RUN"
cp "$BUILD/nest.exe" "$RUN/"
cp "$ROOT/examples/plates.txt" "$RUN/零件.txt"

# start_console: starts C:\nest\nest.exe in a console window in C:\nest and
# waits for the window to take the keys.
start_console() {
  (cd "$RUN" && wine wineconsole 'C:\nest\nest.exe' >"$WORK/wine.log" 2>&1 &)
  local desktop=
  for _ in $(seq 1 600); do
    desktop=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -n 1) || true
    [[ -n $desktop ]] && break
    sleep 0.1
  done
  [[ -n $desktop ]] || fail "no wine desktop appeared"
  sleep 8
  xdotool windowfocus --sync "$desktop"
}

# answer TEXT: types TEXT and Enter. The first character that needs a key
# of its own can be lost while the keyboard map changes, so a Chinese answer
# is preceded by one such character, taken back with Backspace.
answer() {
  if [[ $1 == *[![:ascii:]]* ]]; then
    xdotool type --delay 150 "${1:0:1}"
    sleep 0.3
    xdotool key BackSpace
  fi
  xdotool type --delay 150 "$1"
  xdotool key Return
  sleep 0.5
}

shot() {
  sleep 2
  import -window root "$1"
}

# --- A whole run.
start_console
answer 零件.txt
for a in 4 5 0 3; do answer "$a"; done
for _ in $(seq 1 600); do
  [[ -s $RUN/Layout.dxf ]] && break
  sleep 0.1
done
[[ -s $RUN/Layout.dxf ]] || {
  import -window root "$WORK/failed.png"
  fail "the run in the console window wrote no Layout.dxf (see $WORK/failed.png)"
}
shot "$ROOT/docs/windows-console.png"
xdotool key x
sleep 2
wineserver --kill

# --- The warning box.
start_console
answer 'missing.txt 4 5 0 3'
shot "$ROOT/docs/windows-warning.png"
echo "Pictures: $ROOT/docs/windows-console.png, $ROOT/docs/windows-warning.png"
