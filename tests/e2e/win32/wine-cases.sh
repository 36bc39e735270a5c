#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end cases of the Windows program under Wine: the harness's display and PDF queue,
# a Windows clipboard filled by a small Windows helper, and settings in the prefix's registry.
#
#   wine-cases.sh CASE    with E2E_DIR (started by desktop.sh), MIRABLOT (mirablot.exe) and
#                         PUT_CLIPBOARD (mirablot-put-clipboard.exe)
#
# Wine prints through its PostScript driver at 300 dpi on the queue's A4 sheet, which has no
# hardware margins: 2479 x 3508 dots, so the printable extents are 11899.2 x 16838.4 twips,
# 11899 x 16838 to the print job (a dot is 4.8 twips, the tolerance of the checks).
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
: "${PUT_CLIPBOARD:?PUT_CLIPBOARD must name the clipboard helper}"
export WINEPREFIX=$E2E_DIR/wine WINEDEBUG=-all E2E_PRINTER_DPI=300
SETTINGS_KEY='HKCU\Software\VB and VBA Program Settings\Quillery\Startup'

# put_clipboard KIND FILE|TEXT: the Windows helper fills the clipboard and stays, as xclip does
# in the Linux cases, until the next put or the end of the case.
put_clipboard() {
  local what=$2 line
  [[ $1 == text ]] || what=Z:$2
  [[ -z $CLIPBOARD_PID ]] || kill "$CLIPBOARD_PID" 2>/dev/null || true
  coproc HELPER { exec wine "$PUT_CLIPBOARD" "$1" "$what"; }
  CLIPBOARD_PID=$HELPER_PID
  read -r -t 30 line <&"${HELPER[0]}" && [[ $line == ready* ]] ||
    fail "the helper could not fill the clipboard"
}

# store KEY=VALUE...: the settings in the registry, as the program writes them.
store() {
  wine reg delete "$SETTINGS_KEY" /f >/dev/null 2>&1 || true
  local setting
  for setting in "$@"; do
    wine reg add "$SETTINGS_KEY" /v "${setting%%=*}" /t REG_SZ /d "${setting#*=}" /f >/dev/null
  done
}

stored() {
  wine reg query "$SETTINGS_KEY" 2>/dev/null | tr -d '\r' |
    awk '$2 == "REG_SZ" { print $1 "=" $3 }' | sort | paste -sd ' '
}

# window_size ID: the window's client area as WIDTHxHEIGHT pixels (no window manager draws a
# frame around it here).
window_size() {
  xwininfo -id "$1" | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w "x" h }'
}

# landscape_and_ok WINDOW STATUS: landscape chosen in the settings window from the keyboard and
# OK pressed; the program ends with STATUS, nothing printed, the choice in the registry.
landscape_and_ok() {
  # Focus starts on the portrait option; the next control is the landscape one.
  press "$1" Right
  press "$1" space
  press "$1" Return
  finish_mirablot
  expect_status "$2"
  expect_jobs 0
  local got
  got=$(stored)
  [[ $got == "Orientation=1 PositionH=0 PositionV=0 Space0=0 Space1=0 SpaceMM=20 Zoom=0" ]] ||
    fail "registry holds: $got"
}

run_windows_program() {
  RUN_AS=(wine)
  run_mirablot
}

case_print_dib_nothing_stored() {
  store
  picture "$CASE_DIR/pic.bmp" 300 200 BMP
  put_clipboard dib "$CASE_DIR/pic.bmp"
  run_windows_program
  finish_mirablot
  # At the origin, natural size 4500 x 3000 twips at 96 dpi.
  expect_print "$CASE_DIR/pic.bmp" portrait 0 0 225 150
}

case_print_landscape_from_registry() {
  store Orientation=1 Zoom=0 PositionH=1 PositionV=0 Space0=0 Space1=1 SpaceMM=20
  picture "$CASE_DIR/pic.bmp" 300 200 BMP
  put_clipboard dibv5 "$CASE_DIR/pic.bmp"
  run_windows_program
  finish_mirablot
  # Landscape 16838 x 11904: x = round((16838 - 700 - 4500) / 2) = 5819; y = 20 x 56.7 = 1134.
  expect_print "$CASE_DIR/pic.bmp" landscape 290.95 56.7 225 150
}

case_print_png_fit() {
  store Orientation=2 Zoom=1 PositionH=2 PositionV=1 Space0=0 Space1=0 SpaceMM=0
  picture "$CASE_DIR/pic.png" 200 300 PNG
  put_clipboard png "$CASE_DIR/pic.png"
  run_windows_program
  finish_mirablot
  # A tall picture, so portrait. 3000 x 4500 twips into 11199 x 16138: the height limits, so
  # 16138 high and 3000 x 16138 / 4500 = 10758.67 wide; right: x = round(11199 - 10758.67) = 440.
  expect_print "$CASE_DIR/pic.png" portrait 22 0 537.93 806.9
}

case_version() {
  local said
  said=$(wine "$MIRABLOT" --version | tr -d '\r')
  [[ $said == $'Mirablot 1.00\nｸﾘｯﾌﾟﾎﾞｰﾄﾞ上のﾋﾞｯﾄﾏｯﾌﾟ情報を印刷' ]] || fail "--version said: $said"
  expect_jobs 0
}

case_usage() {
  local said status=0
  said=$(wine "$MIRABLOT" /? | tr -d '\r')
  [[ $said == *"/settings"* && $said == *HKEY_CURRENT_USER* ]] || fail "/? said: $said"
  wine "$MIRABLOT" --bogus >"$CASE_DIR/stdout" 2>"$CASE_DIR/stderr" || status=$?
  ((status == 64)) || fail "an unknown option gave status $status"
  grep -q -- "--bogus" "$CASE_DIR/stderr" || fail "the unknown option was not named"
  expect_jobs 0
}

case_settings_option() {
  store
  picture "$CASE_DIR/pic.bmp" 300 200 BMP
  put_clipboard dib "$CASE_DIR/pic.bmp"
  RUN_AS=(wine)
  run_mirablot /settings
  local window
  window=$(find_window Quillery)
  landscape_and_ok "$window" 0
}

case_text_question_no() {
  store
  put_clipboard text "not a picture"
  run_windows_program
  local box
  box=$(find_window "Mirablot Error")
  press "$box" Return  # No is the default button
  finish_mirablot
  expect_status 1
  expect_jobs 0
  grep -q $'Err.Number:\t481' "$CASE_DIR/stderr" || fail "unexpected question: $(cat "$CASE_DIR/stderr")"
}

case_text_question_yes_settings_ok() {
  store
  put_clipboard text "not a picture"
  run_windows_program
  press "$(find_window "Mirablot Error")" y
  local window
  window=$(find_window Quillery)
  import -window root "$CASE_DIR/settings.png"
  # 4680 x 2805 twips at 96 dpi (15 twips a pixel).
  [[ $(window_size "$window") == 312x187 ]] || fail "window is $(window_size "$window")"
  landscape_and_ok "$window" 1
}

case_screen_at_144_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
  trap "wine reg delete 'HKCU\\Control Panel\\Desktop' /v LogPixels /f >/dev/null 2>&1; end_case" EXIT
  store
  picture "$CASE_DIR/pic.bmp" 300 200 BMP
  put_clipboard dib "$CASE_DIR/pic.bmp"
  run_windows_program
  finish_mirablot
  # 10 twips a pixel: natural size 3000 x 2000 twips.
  expect_print "$CASE_DIR/pic.bmp" portrait 0 0 150 100

  put_clipboard text "not a picture"
  run_windows_program
  press "$(find_window "Mirablot Error")" y
  local window size
  window=$(find_window Quillery)
  size=$(window_size "$window")
  import -window root "$CASE_DIR/settings.png"
  press "$window" Escape
  finish_mirablot
  # 4680 x 2805 twips at 144 dpi: the window keeps its proportions.
  [[ $size == 468x281 ]] || fail "window is $size at 144 dpi"
}

name=${1:?case name}
declare -F "case_$name" >/dev/null || fail "no case $name"
begin_case "$name"
"case_$name"
echo "PASS: $name"
