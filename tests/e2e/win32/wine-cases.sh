#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program under Wine runs the cases it shares with the Linux suites with its own
# hooks: a Windows clipboard filled by a small Windows helper, settings in the prefix's
# registry. Wine prints through its PostScript driver at 300 dpi: a dot (0.24 pt) is the
# tolerance, within which the Linux cases' places hold here too (A4 is 2479 x 3508 dots).
#
#   wine-cases.sh CASE    with E2E_DIR (started by desktop.sh), MIRABLOT (mirablot.exe) and
#                         PUT_CLIPBOARD (mirablot-put-clipboard.exe)
export WINEPREFIX=$E2E_DIR/wine WINEDEBUG=-all E2E_PRINTER_DPI=300 HELP_OPTION=/? FILE_PREFIX=Z:
# Wine prints a picture asked for in grey in colour: its pixels are compared there too.
ANY_COLOURS=
# A DIB on the clipboard (which Windows offers as a DIBV5 too), or once a PNG alone.
PICTURE=bmp
[[ ${1:-} != screen_at_150_percent ]] || PICTURE=png
source "$(dirname "${BASH_SOURCE[0]}")/../print-cases.sh"
source "$E2E_SOURCE_DIR/settings-cases.sh"
: "${PUT_CLIPBOARD:?PUT_CLIPBOARD must name the clipboard helper}"
SETTINGS_KEY='HKCU\Software\VB and VBA Program Settings\Quillery\Startup'

# The helper fills the clipboard and stays until the case ends, as xclip does on Linux.
copy_picture() {
  local kind=${1##*.}
  start_helper wine "$PUT_CLIPBOARD" "${kind/bmp/dib}" "Z:$1"
}

copy_text() { start_helper wine "$PUT_CLIPBOARD" text "$1"; }

store() {
  wine reg delete "$SETTINGS_KEY" /f >/dev/null 2>&1 || true
  local setting
  for setting in "$@"; do
    wine reg add "$SETTINGS_KEY" /v "${setting%%=*}" /t REG_SZ /d "${setting#*=}" /f >/dev/null
  done
}

stored() {
  wine reg query "$SETTINGS_KEY" 2>/dev/null | tr -d '\r' |
    awk '$2 == "REG_SZ" { print $1 "=" $3 }' | LC_ALL=C sort | paste -sd ' '
}

answer_yes() { press "$1" y; }

scale_screen() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
  on_exit wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f
}

RUN_AS=(wine)
store  # each case starts with nothing stored, as the Linux ones do
run_case "$@"
