#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end settings window: text on the clipboard, Yes to the question, then the real
# "Quillery" window, driven with the mouse and keyboard.
#
#   settings-cases.sh CASE     with E2E_DIR (a started harness) and MIRABLOT (the program)
#
# Click positions are the design's twips at 15 twips per pixel: a control inside a group box
# sits at the box's position plus its own.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# open_settings_window: text on the clipboard, Yes to the question; SETTINGS_WINDOW names it.
open_settings_window() {
  copy_text "not a picture"
  run_mirablot
  press "$(find_window "Mirablot Error")" alt+y
  SETTINGS_WINDOW=$(find_window Quillery)
}

# click X Y: a click at these pixels of the settings window.
click() {
  xdotool mousemove --window "$SETTINGS_WINDOW" "$1" "$2" click 1
}

# expect_not_blank PNG: a screenshot of the settings window that shows something.
expect_not_blank() {
  /usr/bin/python3 - "$1" <<'PY' || fail "the screenshot of the settings window looks blank"
import sys
from PIL import Image
image = Image.open(sys.argv[1]).convert("RGB")
assert image.size == (312, 187), image.size
colours = image.getcolors(1 << 16)
dark = sum(count for count, rgb in colours if sum(rgb) < 150)
# Captions, frames and the preview's lines: many colours, and dark ink on light ground.
assert len(colours) > 20 and dark > 500, (len(colours), dark)
PY
}

case_ok_stores_and_next_launch_prints_with_it() {
  open_settings_window
  sleep 0.3  # let the first paint finish before the artefact is taken
  import -window "$SETTINGS_WINDOW" "$CASE_DIR/settings-window.png"
  expect_not_blank "$CASE_DIR/settings-window.png"

  click 80 32    # 横 (landscape): Frame(0) (120, 120) + (960, 240) twips
  click 206 72   # left margin box: Frame(2) (2880, 120) + (120, 840) twips
  click 214 31   # margin text: Frame(2) + (200, 240) twips
  xdotool key ctrl+a
  xdotool type 15
  import -window "$SETTINGS_WINDOW" "$CASE_DIR/settings-window-edited.png"
  press "$SETTINGS_WINDOW" Return
  finish_mirablot
  expect_status 1
  expect_jobs 0

  # QSettings writes the keys in alphabetical order.
  diff -u - "$SETTINGS_FILE" <<'CONF' || fail "the settings file does not hold what OK stored"
[Startup]
Orientation=1
PositionH=0
PositionV=0
Space0=1
Space1=0
SpaceMM=15
Zoom=0
CONF

  fresh_output
  print_from_clipboard "$CASE_DIR/pic.png" 300 200
  # Landscape, left margin 15 x 56.7 = 850.5, ties to even: 850 twips.
  expect_print "$CASE_DIR/pic.png" landscape 42.5 0 225 150
}

case_escape_stores_nothing() {
  store Orientation=2 Zoom=1 PositionH=1 PositionV=2 Space0=0 Space1=1 SpaceMM=12
  cp "$SETTINGS_FILE" "$CASE_DIR/before.conf"
  open_settings_window
  click 206 72  # disabled while the top margin is on: no effect
  press "$SETTINGS_WINDOW" Escape
  finish_mirablot
  expect_status 1
  cmp -s "$CASE_DIR/before.conf" "$SETTINGS_FILE" || fail "Escape changed the stored settings"
}

case_failed_save_keeps_the_window_open() {
  # A folder where the settings file belongs: QSettings cannot write it.
  mkdir -p "$SETTINGS_FILE"
  open_settings_window
  press "$SETTINGS_WINDOW" Return
  local report
  report=$(find_window "Mirablot Error")
  import -window "$report" "$CASE_DIR/save-failure.png" 2>/dev/null || true
  press "$report" Return
  sleep 0.3
  kill -0 "$MIRABLOT_PID" 2>/dev/null || fail "the program ended after a failed save"
  xdotool search --onlyvisible --name '^Quillery$' >/dev/null || fail "the settings window closed"
  press "$SETTINGS_WINDOW" Escape
  finish_mirablot
  expect_status 1
}

# expect_save_refused: OK after a change reports the failed save and leaves the window open;
# Escape then ends the program, and the file that was there is unchanged.
expect_save_refused() {
  cp "$SETTINGS_FILE" "$CASE_DIR/before.conf"
  open_settings_window
  click 80 32  # 横 (landscape)
  press "$SETTINGS_WINDOW" Return
  press "$(find_window "Mirablot Error")" Return
  sleep 0.3
  xdotool search --onlyvisible --name '^Quillery$' >/dev/null || fail "the settings window closed"
  press "$SETTINGS_WINDOW" Escape
  finish_mirablot
  expect_status 1
  grep -q "Err.Number:.75 " "$CASE_DIR/stderr" || fail "no store error was said: $(cat "$CASE_DIR/stderr")"
  cmp -s "$CASE_DIR/before.conf" "$SETTINGS_FILE" || fail "the failed save changed the file"
}

case_read_only_folder() {
  store Orientation=0 Zoom=1 PositionH=1 PositionV=1 Space0=1 Space1=0 SpaceMM=12
  run_as_nobody
  chmod a-w "$(dirname "$SETTINGS_FILE")"
  expect_save_refused
}

case_full_disk() {
  # A tiny file system as the settings folder, filled up behind the settings file.
  mkdir -p "$XDG_CONFIG_HOME"
  mount -t tmpfs -o size=64k tmpfs "$XDG_CONFIG_HOME"
  trap 'umount "$XDG_CONFIG_HOME"; end_case' EXIT
  store Orientation=0 Zoom=1 PositionH=1 PositionV=1 Space0=1 Space1=0 SpaceMM=12
  dd if=/dev/zero of="$XDG_CONFIG_HOME/filler" bs=4k 2>/dev/null || true
  expect_save_refused
}

case_two_windows_save_at_once() {
  # Two instances, each with its own settings window, press OK together: the file ends as one
  # of them stored it, whole.
  store Orientation=0 Zoom=0 PositionH=0 PositionV=0 Space0=0 Space1=0 SpaceMM=0
  open_settings_window
  local first=$SETTINGS_WINDOW first_pid=$MIRABLOT_PID
  click 80 32  # 横 (landscape)
  xdotool set_window --name Quillery-first "$first"
  run_mirablot
  press "$(find_window "Mirablot Error")" alt+y
  SETTINGS_WINDOW=$(find_window Quillery)
  click 206 72  # left margin
  # One keyboard: the two OKs follow each other within milliseconds.
  press "$first" Return
  press "$SETTINGS_WINDOW" Return
  finish_mirablot
  MIRABLOT_PID=$first_pid
  finish_mirablot
  local stored
  stored=$(grep -c '^' "$SETTINGS_FILE")
  ((stored == 8)) || fail "the file holds $stored lines: $(cat "$SETTINGS_FILE")"
  grep -Eq '^(Orientation=1|Space0=1)$' "$SETTINGS_FILE" || fail "neither save is in the file"
}

case_window_keeps_its_proportions_at_200_percent() {
  echo "Xft.dpi: 192" | xrdb -merge
  trap 'xrdb -remove; end_case' EXIT
  open_settings_window
  local size
  size=$(xwininfo -id "$SETTINGS_WINDOW" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  [[ $size == 624x374 ]] || fail "window is $size device pixels at 200 %, expected 624x374"
  press "$SETTINGS_WINDOW" Escape
  finish_mirablot
  expect_status 1
}

case_settings_option_opens_the_window() {
  # A picture on the clipboard: --settings neither reads nor prints it.
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot --settings
  SETTINGS_WINDOW=$(find_window Quillery)
  [[ -z $(xdotool search --onlyvisible --name '^Mirablot Error$' 2>/dev/null) ]] ||
    fail "a question was asked"
  click 80 32  # 横 (landscape)
  press "$SETTINGS_WINDOW" Return
  finish_mirablot
  expect_status 0
  expect_jobs 0
  [[ ! -s $CASE_DIR/stderr ]] || fail "something went wrong: $(cat "$CASE_DIR/stderr")"
  diff -u - "$SETTINGS_FILE" <<'CONF' || fail "the settings file does not hold what OK stored"
[Startup]
Orientation=1
PositionH=0
PositionV=0
Space0=0
Space1=0
SpaceMM=20
Zoom=0
CONF
}

case_settings_option_escape_stores_nothing() {
  store Orientation=2 Zoom=1 PositionH=1 PositionV=2 Space0=0 Space1=1 SpaceMM=12
  cp "$SETTINGS_FILE" "$CASE_DIR/before.conf"
  run_mirablot --settings
  SETTINGS_WINDOW=$(find_window Quillery)
  click 80 32
  press "$SETTINGS_WINDOW" Escape
  finish_mirablot
  expect_status 0
  cmp "$CASE_DIR/before.conf" "$SETTINGS_FILE" || fail "Escape changed the settings file"
}

case_help_and_unknown_options() {
  run_mirablot --help
  finish_mirablot
  expect_status 0
  grep -q -- "--settings" "$CASE_DIR/stdout" || fail "no usage: $(cat "$CASE_DIR/stdout")"
  [[ ! -s $CASE_DIR/stderr ]] || fail "--help wrote to stderr"
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot --print-everything
  finish_mirablot
  expect_status 64
  [[ ! -s $CASE_DIR/stdout ]] || fail "a misuse wrote to stdout"
  grep -q -- '"--print-everything"' "$CASE_DIR/stderr" || fail "the unknown option was not named"
  grep -q -- "--settings" "$CASE_DIR/stderr" || fail "no usage on stderr"
  expect_jobs 0
}

# A Japanese desktop: Qt's own words come in Japanese, as a Japanese Windows' message box shows
# them, and the accelerators stay (はい(&Y), いいえ(&N)). The buttons' texts are read as a
# screen reader gets them, from the accessibility bus on the harness's session bus.
case_question_box_in_japanese() {
  export LOCPATH=$CASE_DIR/locale
  mkdir -p "$LOCPATH"
  localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" 2>/dev/null || true
  [[ -d $LOCPATH/ja_JP.UTF-8 ]] || fail "could not build the ja_JP locale"
  # In a process group of its own, with the bus and registry it starts: stopped together.
  setsid /usr/libexec/at-spi-bus-launcher --launch-immediately >"$CASE_DIR/at-spi.log" 2>&1 &
  A11Y_PID=$!
  trap 'kill -- "-$A11Y_PID" 2>/dev/null; end_case' EXIT
  copy_text "not a picture"
  LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 run_mirablot
  local box
  box=$(find_window "Mirablot Error")
  sleep 0.3  # the first paint, for the artefact
  import -window "$box" "$CASE_DIR/question-ja.png" 2>/dev/null || true
  /usr/bin/python3 "$E2E_SOURCE_DIR/accessible-buttons.py" "Mirablot Error" >"$CASE_DIR/buttons" ||
    fail "the box's buttons could not be read"
  diff -u - "$CASE_DIR/buttons" <<'BUTTONS' || fail "the buttons are not in Japanese"
はい(Y)
いいえ(N)
BUTTONS
  press "$box" alt+y  # Yes, through its accelerator
  SETTINGS_WINDOW=$(find_window Quillery)
  press "$SETTINGS_WINDOW" Escape
  finish_mirablot
  expect_status 1
}

name=${1:?case name}
declare -F "case_$name" >/dev/null || fail "no case $name"
begin_case "$name"
"case_$name"
echo "PASS: $name"
