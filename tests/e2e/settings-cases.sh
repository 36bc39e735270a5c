#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end settings window and options: the real "Quillery" window, opened by --settings or
# by Yes to the question, driven from the keyboard. The first cases run under Wine too.
#
#   settings-cases.sh CASE     with E2E_DIR (a started harness) and MIRABLOT (the program)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
PICTURE=${PICTURE:-png} HELP_OPTION=${HELP_OPTION:---help}
LANDSCAPE_STORED="Orientation=1 PositionH=0 PositionV=0 Space0=0 Space1=0 SpaceMM=20 Zoom=0"

# landscape_and_ok WINDOW: focus starts on the portrait option; the next one is landscape.
landscape_and_ok() { local key; for key in Right space Return; do press "$1" "$key"; done; }

# open_from_question: text on the clipboard, Yes to the question; SETTINGS_WINDOW names it.
open_from_question() {
  copy_text "not a picture"
  run_program
  answer_yes "$(find_window "Mirablot Error")"
  SETTINGS_WINDOW=$(find_window Quillery)
}

case_settings_option() {
  store
  # A picture on the clipboard: --settings neither reads nor prints it, and asks nothing.
  copied_picture "$CASE_DIR/pic.$PICTURE" 300 200
  run_program --settings
  landscape_and_ok "$(find_window Quillery)"
  expect_settings_stored 0 "$LANDSCAPE_STORED"
  [[ ! -s $CASE_DIR/stderr ]] || fail "something went wrong: $(cat "$CASE_DIR/stderr")"
}

case_question_yes_settings_ok() {
  store
  open_from_question
  # Something was drawn: captions, frames and the preview, dark ink on a light ground.
  import -window root "$CASE_DIR/settings.png"
  /usr/bin/python3 -c 'import sys; from PIL import Image
sys.exit(sum(Image.open(sys.argv[1]).convert("L").histogram()[:50]) < 500)' "$CASE_DIR/settings.png" ||
    fail "the settings window looks blank"
  landscape_and_ok "$SETTINGS_WINDOW"
  expect_settings_stored 1 "$LANDSCAPE_STORED"
  # The next launch prints with them.
  print_picture "$CASE_DIR/pic.$PICTURE" 300 200
  expect_print "$CASE_DIR/pic.$PICTURE" landscape 0 0 225 150
}

# A desktop scaled to 150 %: pictures print at 10 twips a pixel; the window keeps its 4680 x
# 2805 twips.
case_screen_at_150_percent() {
  scale_screen 144
  print_picture "$CASE_DIR/pic.$PICTURE" 300 200
  expect_print "$CASE_DIR/pic.$PICTURE" portrait 0 0 150 100
  open_from_question
  local size
  size=$(xwininfo -id "$SETTINGS_WINDOW" | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w "x" h }')
  press "$SETTINGS_WINDOW" Escape
  finish 1
  [[ $size == 468x281 ]] || fail "the window is $size pixels at 150 %, expected 468x281"
}

scale_screen() { echo "Xft.dpi: $1" | xrdb -merge && on_exit xrdb -remove; }

# The version and the usage on stdout; a misuse on stderr with the usage, status 64.
case_help_version_and_misuse() {
  run_program --version
  finish 0
  grep -q "^Mirablot [0-9]" "$CASE_DIR/stdout" || fail "--version said: $(cat "$CASE_DIR/stdout")"
  run_program "$HELP_OPTION"
  finish 0
  grep -q -- "--settings" "$CASE_DIR/stdout" || fail "no usage: $(cat "$CASE_DIR/stdout")"
  [[ ! -s $CASE_DIR/stderr ]] || fail "$HELP_OPTION wrote to stderr"
  copied_picture "$CASE_DIR/pic.$PICTURE" 300 200
  run_program --print-everything
  finish 64
  [[ ! -s $CASE_DIR/stdout ]] || fail "a misuse wrote to stdout"
  grep -q -- '"--print-everything"' "$CASE_DIR/stderr" || fail "the unknown option was not named"
  grep -q -- "--settings" "$CASE_DIR/stderr" || fail "no usage on stderr"
  expect_jobs 0
}

# expect_save_refused FIX...: OK after a change reports the failed save, the file as it was and
# the window open; once FIX has mended the cause, OK saves.
expect_save_refused() {
  cp "$SETTINGS_FILE" "$CASE_DIR/before.conf"
  open_from_question
  landscape_and_ok "$SETTINGS_WINDOW"
  press "$(find_window "Mirablot Error")" Return
  expect_error 75
  cmp -s "$CASE_DIR/before.conf" "$SETTINGS_FILE" || fail "the failed save changed the file"
  "$@"
  press "$SETTINGS_WINDOW" Return
  expect_settings_stored 1 "Orientation=1 PositionH=1 PositionV=1 Space0=1 Space1=0 SpaceMM=12 Zoom=1"
}

# The settings folder read-only (a read-only mount: root ignores file permissions), then on a
# full disk (a tiny file system, filled up behind the settings file).
case_failed_saves() {
  local folder saved=(Orientation=0 Zoom=1 PositionH=1 PositionV=1 Space0=1 Space1=0 SpaceMM=12)
  store "${saved[@]}"
  folder=$(dirname "$SETTINGS_FILE")
  mount --bind "$folder" "$folder"
  on_exit umount "$folder"
  mount -o remount,ro,bind "$folder"
  expect_save_refused umount "$folder"
  mount -t tmpfs -o size=64k tmpfs "$XDG_CONFIG_HOME"
  on_exit umount "$XDG_CONFIG_HOME"
  store "${saved[@]}"
  dd if=/dev/zero of="$XDG_CONFIG_HOME/filler" bs=4k 2>/dev/null || true
  expect_save_refused rm "$XDG_CONFIG_HOME/filler"
}

# A Japanese desktop: Qt's own words come in Japanese, as on a Japanese Windows, with the same
# accelerators, read as a screen reader gets them (the accessibility bus on the session bus).
case_question_box_in_japanese() {
  locale_of_our_own ja_JP
  # In a process group of its own, with the bus and registry it starts: stopped together.
  setsid /usr/libexec/at-spi-bus-launcher --launch-immediately >"$CASE_DIR/at-spi.log" 2>&1 &
  on_exit kill -- "-$!"
  copy_text "not a picture"
  LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 run_program
  local box
  box=$(find_window "Mirablot Error")
  wait_for 10 eval '[[ $(buttons "Mirablot Error") == "はい(Y) いいえ(N)" ]]' ||
    fail "the buttons are not in Japanese: $(buttons "Mirablot Error")"
  answer_yes "$box"  # through its accelerator
  press "$(find_window Quillery)" Escape
  finish 1
}

[[ ${BASH_SOURCE[0]} != "$0" ]] || run_case "$@"
