#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end on a headless Wayland desktop: sway (wlroots), with or without XWayland, on the
# shared harness's print scheduler. sway gives the clipboard to an X11 client only while one of
# its windows has focus, so these cases show that Mirablot reads it without a window, and that
# its question box and settings window work on Wayland itself.
#
#   sway-cases.sh CASE_with_xwayland | CASE_without_xwayland
#
# sway refuses to run as root: it, and Mirablot, run as nobody, in a folder of their own under
# /tmp. The helpers (wl-copy, the test owner, swaymsg, wtype, grim) run as root on its socket.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
: "${WAYLAND_CLIPBOARD_OWNER:?WAYLAND_CLIPBOARD_OWNER must name the test clipboard owner}"

PROGRAM=$MIRABLOT
AS_NOBODY=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)

# start_sway enable|disable [SCALE]: sway on a 1920 x 1080 headless output; sets
# WAYLAND_DISPLAY, SWAYSOCK and, with XWayland, DISPLAY. Mirablot runs there as nobody.
start_sway() {
  SWAY_DIR=$(mktemp -d /tmp/mirablot-sway.XXXXXX)
  chmod 0755 "$SWAY_DIR"
  mkdir -p "$SWAY_DIR/runtime" "$SWAY_DIR/home" "$SWAY_DIR/config"
  chmod 0700 "$SWAY_DIR/runtime"
  chown nobody:nogroup "$SWAY_DIR/runtime" "$SWAY_DIR/home" "$SWAY_DIR/config"
  cat >"$SWAY_DIR/sway.conf" <<CONF
xwayland $1
output HEADLESS-1 resolution 1920x1080 scale ${2:-1}
exec sh -c 'echo "\$WAYLAND_DISPLAY \$SWAYSOCK \${DISPLAY:-}" >$SWAY_DIR/runtime/session'
CONF
  env -i PATH=/usr/bin:/bin HOME="$SWAY_DIR/home" XDG_RUNTIME_DIR="$SWAY_DIR/runtime" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${AS_NOBODY[@]}" sway -c "$SWAY_DIR/sway.conf" >"$CASE_DIR/sway.log" 2>&1 &
  SWAY_PID=$!
  local deadline=$((SECONDS + 15))
  until [[ -s $SWAY_DIR/runtime/session ]]; do
    ((SECONDS < deadline)) || fail "sway did not start: $(tail -n 5 "$CASE_DIR/sway.log")"
    sleep 0.05
  done
  local display
  read -r WAYLAND_DISPLAY SWAYSOCK display <"$SWAY_DIR/runtime/session"
  export XDG_RUNTIME_DIR=$SWAY_DIR/runtime WAYLAND_DISPLAY SWAYSOCK
  unset DISPLAY  # the harness's Xvfb is not this desktop
  [[ $1 == disable ]] || export DISPLAY=$display
  # A keyboard for the windows: Qt takes a seat's keyboard when it starts, so it must exist
  # before Mirablot does (wtype alone adds one only for its own keystrokes).
  wtype -s 3600000 &
  KEYBOARD_PID=$!
  until swaymsg -t get_seats | grep -q '"capabilities": 2'; do
    ((SECONDS < deadline)) || fail "the virtual keyboard did not appear"
    sleep 0.05
  done
  cp "$PROGRAM" "$SWAY_DIR/mirablot"
  MIRABLOT=$SWAY_DIR/mirablot
  export XDG_CONFIG_HOME=$SWAY_DIR/config HOME=$SWAY_DIR/home
  SETTINGS_FILE=$XDG_CONFIG_HOME/Quillery/Quillery.conf
  # Ghostscript writes the PDF as the job's owner.
  chmod 1777 "$E2E_PDF_DIR"
  RUN_AS=("${AS_NOBODY[@]}")
  trap stop_sway EXIT
}

stop_sway() {
  end_case
  kill "$KEYBOARD_PID" "$SWAY_PID" 2>/dev/null || true
  wait "$SWAY_PID" 2>/dev/null || true
  chmod 0755 "$E2E_PDF_DIR"
  rm -rf "$SWAY_DIR"
}

# wayland_copy TYPE FILE: wl-copy owns the clipboard with FILE as TYPE.
wayland_copy() {
  wl-copy --foreground --type "$1" <"$2" &
  CLIPBOARD_PID=$!
  local deadline=$((SECONDS + 10))
  until wl-paste --list-types 2>/dev/null | grep -qx "$1"; do
    ((SECONDS < deadline)) || fail "wl-copy did not take the clipboard"
    sleep 0.05
  done
}

# wayland_owner MODE FILE: the test owner offers FILE as image/png and misbehaves as MODE.
wayland_owner() {
  coproc OWNER { exec "$WAYLAND_CLIPBOARD_OWNER" "$1" "image/png=$2"; }
  CLIPBOARD_PID=$OWNER_PID
  local line
  read -r -t 10 line <&"${OWNER[0]}" && [[ $line == ready ]] || fail "the test owner did not start"
}

# Titles of the windows on the desktop, one a line.
window_titles() {
  swaymsg -t get_tree | /usr/bin/python3 -c '
import json, sys
def walk(node):
    if node.get("pid") is not None:
        print(node.get("name") or "")
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}

# wait_for_window TITLE: until a window with exactly this title is on the desktop.
wait_for_window() {
  local deadline=$((SECONDS + 20))
  until window_titles | grep -qx "$1"; do
    ((SECONDS < deadline)) || fail "no window titled \"$1\" appeared"
    kill -0 "$MIRABLOT_PID" 2>/dev/null || fail "mirablot ended: $(cat "$CASE_DIR/stderr")"
    sleep 0.05
  done
}

screenshot() { grim "$CASE_DIR/$1.png" 2>/dev/null || true; }

expect_no_window() {
  [[ -z $(window_titles) ]] || fail "a window was shown: $(window_titles)"
}

# The question comes within the bounded wait; closing it is No: status 1, nothing printed, and
# the process gone within seconds (Qt's Wayland teardown could once hang for ever).
expect_question_then_close() {
  run_mirablot
  wait_for_window "Mirablot Error"
  local took
  took=$(elapsed_ms)
  screenshot question
  swaymsg '[title="^Mirablot Error$"] kill' >/dev/null
  finish_mirablot 10
  expect_status 1
  expect_jobs 0
  grep -q "Err.Number:.$1 " "$CASE_DIR/stderr" || fail "expected error $1: $(cat "$CASE_DIR/stderr")"
  echo "the question came after $took ms"
  ((took < 6000)) || fail "the question took $took ms"
}

case_png_prints() {
  picture "$CASE_DIR/pic.png" 300 200
  wayland_copy image/png "$CASE_DIR/pic.png"
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  expect_no_window
}

case_bitmap_or_jpeg_only() {
  picture "$CASE_DIR/pic.bmp" 120 80 BMP
  wayland_copy image/bmp "$CASE_DIR/pic.bmp"
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.bmp" portrait 0 0 90 60
  fresh_output
  picture "$CASE_DIR/pic.jpg" 120 80 JPEG
  wayland_copy image/jpeg "$CASE_DIR/pic.jpg"
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.jpg" portrait 0 0 90 60
}

case_hidpi_output() {
  # An output scaled 2x: a screenshot's pixel is half as large as at 1x.
  stop_sway
  start_sway "$XWAYLAND" 2
  picture "$CASE_DIR/pic.png" 600 400
  wayland_copy image/png "$CASE_DIR/pic.png"
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
}

case_text_brings_the_question() {
  printf 'not a picture' >"$CASE_DIR/text"
  wayland_copy text/plain "$CASE_DIR/text"
  local run
  for run in 1 2 3 4 5; do
    expect_question_then_close 481
  done
}

case_owner_never_writes() {
  picture "$CASE_DIR/pic.png" 300 200
  wayland_owner silent "$CASE_DIR/pic.png"
  expect_question_then_close 521
}

case_owner_stalls_midway() {
  picture "$CASE_DIR/pic.png" 300 200
  wayland_owner stall:4096 "$CASE_DIR/pic.png"
  expect_question_then_close 521
}

case_settings_window_opens_and_saves() {
  printf 'not a picture' >"$CASE_DIR/text"
  wayland_copy text/plain "$CASE_DIR/text"
  run_mirablot
  wait_for_window "Mirablot Error"
  wtype -M alt y -m alt
  wait_for_window Quillery
  screenshot settings
  wtype -k Return  # OK, the default button
  finish_mirablot 10
  expect_status 1
  expect_jobs 0
  for key in Orientation Zoom PositionH PositionV Space0 Space1 SpaceMM; do
    grep -q "^$key=" "$SETTINGS_FILE" || fail "OK did not store $key: $(cat "$SETTINGS_FILE")"
  done
}

name=${1:?case name}
case $name in
  *_with_xwayland) XWAYLAND=enable ;;
  *_without_xwayland) XWAYLAND=disable ;;
  *) fail "say _with_xwayland or _without_xwayland: $name" ;;
esac
name=${name%_with*_xwayland}
declare -F "case_$name" >/dev/null || fail "no case $name"
begin_case "$1"
start_sway "$XWAYLAND"
"case_$name"
echo "PASS: $1"
