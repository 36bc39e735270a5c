#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The end-to-end harness plus a Wine prefix in DIR/wine on its display and scheduler (Wine
# takes CUPS's default destination as Windows' default printer).
#
#   desktop.sh start DIR    start the harness, then boot the prefix
#   desktop.sh stop DIR     stop the prefix's Wine, then the harness
#   desktop.sh run DIR PROGRAM [ARGS...]   a Windows program on the started desktop
set -euo pipefail

HARNESS=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/harness.sh

start() {
  local dir=$1
  "$HARNESS" start "$dir" >/dev/null
  # shellcheck source=/dev/null
  source "$dir/env.sh"
  export WINEPREFIX=$dir/wine WINEDEBUG=-all
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot --init
  # A Japanese Windows links its dialog fonts to Japanese ones; the prefix gets the same link
  # to the installed IPA Gothic, so that message boxes show Japanese text as glyphs.
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f >/dev/null
  wineserver --wait
  echo "$dir/env.sh"
}

stop() {
  local dir=$1
  if [[ -d $dir/wine ]]; then
    WINEPREFIX=$dir/wine wineserver --kill 2>/dev/null || true
  fi
  "$HARNESS" stop "$dir"
}

run() {
  # shellcheck source=/dev/null
  source "$1/env.sh"
  WINEPREFIX=$1/wine WINEDEBUG=-all exec wine "${@:2}"
}

case ${1:-} in
  start | stop | run) "$1" "${@:2}" ;;
  *) echo "usage: $0 start|stop|run DIR" >&2; exit 2 ;;
esac
