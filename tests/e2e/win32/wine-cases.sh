#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program under Wine runs the cases it shares with the Linux suites with its own
# hooks: a Windows clipboard filled by a small Windows helper, settings in the prefix's
# registry. Wine prints through its PostScript driver at 300 dpi: a dot (0.24 pt) is the
# tolerance, within which the Linux cases' places hold here too (A4 is 2479 x 3508 dots).
#
#   wine-cases.sh CASE    with E2E_DIR (started by desktop.sh), MIRABLOT (mirablot.exe) and
#                         PUT_CLIPBOARD (mirablot-put-clipboard.exe); the installer case with
#                         MSI, a rebuild of it (MSI_REBUILT) and a later version (MSI_NEXT)
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

# What the installer lays down and registers, one per line, the product code as {product}: its
# files in the user's profile, what each Start menu shortcut holds, the uninstall entries' names
# and versions, our own key.
installed() {
  local profile=$WINEPREFIX/drive_c/users/$(id -un)/AppData link
  {
    (cd "$profile" && find Local/Programs Roaming/Microsoft/Installer -path 'Local/*' -o \
      -name mirablot.ico | sort) || true
    for link in "$profile/Roaming/Microsoft/Windows/Start Menu/Programs"/*Mirablot*; do
      [[ ! -e $link ]] ||
        echo "${link##*/}: $(/usr/bin/python3 "${BASH_SOURCE[0]%/*}/shortcut.py" "$link" | paste -sd ' ')"
    done
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' |
      awk '$1 ~ /^Display(Name|Version)$/ { print $1, $3 }' | grep -A1 '^DisplayName Mirablot$' || true
    if wine reg query 'HKCU\Software\Mirablot' >/dev/null; then echo "our key"; fi
  } 2>/dev/null | sed 's/{[-0-9A-F]\{36\}}/{product}/g'
}

# expect_installed VERSION: one program, two shortcuts with their key, arguments and icon, and
# one uninstall entry.
expect_installed() {
  local got want dir='C:\users\'$(id -un)'\AppData\Local\Programs\Mirablot\'
  local icon='C:\users\'$(id -un)'\AppData\Roaming\Microsoft\Installer\{product}\mirablot.ico'
  got=$(installed)
  want=$(cat <<EOF
Local/Programs
Local/Programs/Mirablot
Local/Programs/Mirablot/mirablot.exe
Roaming/Microsoft/Installer/{product}/mirablot.ico
Mirablot 設定.lnk: hotkey=0x0000 target=${dir}mirablot.exe description=印刷のﾚｲｱｳﾄを設定 directory=$dir arguments=--settings icon=$icon
Mirablot.lnk: hotkey=0x0650 target=${dir}mirablot.exe description=ｸﾘｯﾌﾟﾎﾞｰﾄﾞ上のﾋﾞｯﾄﾏｯﾌﾟ情報を印刷 directory=$dir icon=$icon
DisplayName Mirablot
DisplayVersion $1
our key
EOF
  )
  [[ $got == "$want" ]] || fail "installed, as against expected: $(diff <(echo "$got") <(echo "$want"))"
}

msiexec() { WINEDLLOVERRIDES=winemenubuilder.exe=d wine msiexec "$@" /qn; }

installs() {
  local package
  for package; do msiexec /i "Z:$package" || fail "installing $package: status $?"; done
}

# Installed, used, installed again, upgraded, removed: the settings survive all but the removal
# asked for.
case_installer() {
  : "${MSI:?} ${MSI_REBUILT:?} ${MSI_NEXT:?}"
  store Orientation=1 Zoom=0
  installs "$MSI"
  expect_installed 1.00
  # The shortcut starts the installed program: the clipboard's picture, printed as stored.
  picture "$CASE_DIR/pic.bmp" 300 200
  copy_picture "$CASE_DIR/pic.bmp"
  RUN_AS=(wine start /wait /unix)
  MIRABLOT="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Mirablot.lnk"
  run_program
  finish
  # Wine's start does not wait for a shortcut's program: its PDF says it ran.
  wait_for 30 compgen -G "$E2E_PDF_DIR/*.pdf" || fail "the shortcut printed nothing"
  expect_print "$CASE_DIR/pic.bmp" landscape 0 0 225 150
  # The same package again, another build of this version, the next version: one of each.
  installs "$MSI" "$MSI_REBUILT" "$MSI_NEXT"
  expect_installed 1.01
  # No downgrade: Windows answers 1603, Wine 67.
  ! msiexec /i "Z:$MSI" || fail "an earlier version went over a later one"
  expect_installed 1.01
  msiexec /x "Z:$MSI_NEXT" || fail "uninstalling: status $?"
  [[ -z $(installed) ]] || fail "left behind: $(installed)"
  [[ $(stored) == "Orientation=1 Zoom=0" ]] || fail "the settings went: \"$(stored)\""
  installs "$MSI"
  msiexec /x "Z:$MSI" REMOVESETTINGS=1 || fail "uninstalling: status $?"
  [[ -z $(installed) ]] || fail "left behind: $(installed)"
  ! wine reg query 'HKCU\Software\VB and VBA Program Settings\Quillery' >/dev/null 2>&1 ||
    fail "REMOVESETTINGS=1 kept the settings"
}

RUN_AS=(wine)
store  # each case starts with nothing stored, as the Linux ones do
run_case "$@"
