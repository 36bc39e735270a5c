#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end printing: the real program, the real clipboard of a virtual display and a real
# print scheduler whose default queue writes PDFs.
#
#   print-cases.sh CASE     with E2E_DIR (a started harness) and MIRABLOT (the program)
#
# The queue prints on A4 (595 x 842 pt) with no hardware margins, so the printable extents are
# 11900 x 16840 twips less the margin and 700; the display has 15 twips per pixel. Expected
# places are worked out by hand in twips (20 twips to the point).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

case_nothing_stored() {
  print_from_clipboard "$CASE_DIR/pic.png" 300 200
  # At the origin, natural size 4500 x 3000 twips, in the printer's own orientation.
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  [[ -z $(xdotool search --onlyvisible --name . 2>/dev/null) ]] || fail "a window was shown"
}

# Layouts from the stored settings: SETTINGS | PICTURE WIDTH HEIGHT | ORIENTATION X Y W H (pt).
declare -A LAYOUTS=(
  # margin 10 x 56.7 = 567; x = 567 + round((11900 - 567 - 700 - 4500) / 2) = 3633 twips;
  # y = round((16840 - 700 - 3000) / 2) = 6570 twips.
  [centre_middle_left_margin]="Orientation=0 Zoom=0 PositionH=1 PositionV=1 Space0=1 Space1=0 SpaceMM=10|300 200|portrait 181.65 328.5 225 150"
  # x = 11900 - 700 - 4500 = 6700 twips; y = 16840 - 700 - 3000 = 13140 twips.
  [right_bottom]="Orientation=0 Zoom=0 PositionH=2 PositionV=2 Space0=0 Space1=0 SpaceMM=0|300 200|portrait 335 657 225 150"
  # Landscape 16840 x 11900: x = round((16840 - 700 - 4500) / 2) = 5820; y = 20 x 56.7 = 1134.
  [landscape_top_margin]="Orientation=1 Zoom=0 PositionH=1 PositionV=0 Space0=0 Space1=1 SpaceMM=20|300 200|landscape 291 56.7 225 150"
  # 24000 x 13500 twips does not fit and is wider than tall: landscape, room 16140 x 11200.
  # The width limits: 16140 x (13500 x 16140 / 24000 = 9078.75) twips.
  [automatic_fit_wide]="Orientation=2 Zoom=1 PositionH=0 PositionV=0 Space0=0 Space1=0 SpaceMM=0|1600 900|landscape 0 0 807 453.9375"
)

layout_case() {
  local settings picture place
  IFS='|' read -r settings picture place <<<"${LAYOUTS[$1]}"
  # shellcheck disable=SC2086
  store $settings
  # shellcheck disable=SC2086
  print_from_clipboard "$CASE_DIR/pic.png" $picture
  # shellcheck disable=SC2086
  expect_print "$CASE_DIR/pic.png" $place
}

case_png_with_alpha_channel() {
  print_from_clipboard "$CASE_DIR/pic.png" 300 200 RGBA
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
}

case_wayland_session_uses_xwayland() {
  # A Wayland desktop that asks Qt for Wayland; its XWayland display holds the clipboard.
  QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wayland-0 print_from_clipboard "$CASE_DIR/pic.png" 300 200
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
}

case_wayland_ext_data_control() {
  # A compositor that offers only ext_data_control_manager_v1 (as KDE Plasma 6.5 does) and no
  # windows: the clipboard comes from it, the windows would go to the X display.
  export XDG_RUNTIME_DIR=$CASE_DIR/runtime WAYLAND_DISPLAY=wayland-e2e
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  coproc COMPOSITOR { exec "$TEST_COMPOSITOR" "$WAYLAND_DISPLAY" ext; }
  trap 'kill "$COMPOSITOR_PID"; end_case' EXIT
  local line
  read -r -t 10 line <&"${COMPOSITOR[0]}" && [[ $line == ready ]] || fail "no test compositor"
  picture "$CASE_DIR/pic.png" 300 200
  coproc OWNER { exec "$WAYLAND_CLIPBOARD_OWNER" --protocol ext serve "image/png=$CASE_DIR/pic.png"; }
  CLIPBOARD_PID=$OWNER_PID
  read -r -t 10 line <&"${OWNER[0]}" && [[ $line == ready ]] || fail "the test owner did not start"
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
}

case_bitmap_only_owner() {
  print_from_clipboard "$CASE_DIR/pic.bmp" 120 80 BMP image/bmp
  expect_print "$CASE_DIR/pic.bmp" portrait 0 0 90 60
}

case_hidpi_screen() {
  # A desktop scaled to 200 %: a screenshot has twice the pixels and must print at the size the
  # user saw, 7.5 twips per pixel.
  echo "Xft.dpi: 192" | xrdb -merge
  trap 'xrdb -remove; end_case' EXIT
  print_from_clipboard "$CASE_DIR/pic.png" 600 400
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
}

# The owner holds the program up at most a few seconds before the question comes.
expect_bounded_wait() {
  echo "the question came after ${QUESTION_MS} ms"
  ((QUESTION_MS < 6000)) || fail "the question took ${QUESTION_MS} ms"
}

case_owner_never_answers() {
  misbehaving_owner silent
  run_mirablot
  expect_question_then_no 521
  expect_bounded_wait
}

case_incremental_transfer_stalls() {
  picture "$CASE_DIR/pic.png" 300 200
  misbehaving_owner incr-stall image/png "$CASE_DIR/pic.png" 4096
  run_mirablot
  expect_question_then_no 521
  expect_bounded_wait
}

case_incremental_transfer_prints() {
  picture "$CASE_DIR/pic.png" 300 200
  misbehaving_owner incr image/png "$CASE_DIR/pic.png" 4096
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
}

case_truncated_png() {
  picture "$CASE_DIR/whole.png" 300 200
  head -c 5000 "$CASE_DIR/whole.png" >"$CASE_DIR/pic.png"
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot
  expect_question_then_no 481
}

case_enormous_declared_size() {
  picture "$CASE_DIR/pic.png" 100000 100000 HEADER
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot
  expect_question_then_no 7
  grep -q "100000 × 100000" "$CASE_DIR/stderr" || fail "the size was not said: $(cat "$CASE_DIR/stderr")"
}

case_three_5k_screens() {
  store Zoom=1
  picture "$CASE_DIR/pic.png" 15360 2880 FLAT
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot
  finish_mirablot
  # Fitted into the portrait room of 11200 x 16140 twips: 560 pt wide, 105 pt high.
  expect_print "$CASE_DIR/pic.png" portrait 0 0 560 105
}

case_nothing_on_the_clipboard() {
  run_mirablot
  expect_question_then_no 481
}

case_file_list_and_html() {
  printf 'file:///etc/hostname\r\n' >"$CASE_DIR/list"
  own_clipboard text/uri-list -i "$CASE_DIR/list"
  run_mirablot
  expect_question_then_no 481
  printf '<p><img src="x.png"></p>' >"$CASE_DIR/page.html"
  own_clipboard text/html -i "$CASE_DIR/page.html"
  run_mirablot
  expect_question_then_no 481
}

case_text_on_clipboard() {
  copy_text "not a picture"
  run_mirablot
  expect_question_then_no
}

case_job_refused() {
  cupsreject "$E2E_QUEUE"
  trap 'cupsaccept "$E2E_QUEUE"; end_case' EXIT
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot
  expect_question_then_no 1286
}

case_no_scheduler() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  # Nothing listens on port 9 of this machine: no default printer can be had.
  CUPS_SERVER=localhost:9 run_mirablot
  expect_question_then_no 484
}

# The queue removed (the harness puts it back when the case ends).
remove_queue() {
  lpadmin -x "$E2E_QUEUE"
  fresh_output  # its finished jobs went with it
  trap '"$E2E_SOURCE_DIR/harness.sh" queue "$E2E_DIR"; end_case' EXIT
}

case_no_default_printer() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  remove_queue
  run_mirablot
  expect_question_then_no 484
}

case_queue_stopped() {
  cupsdisable "$E2E_QUEUE"
  trap 'cupsenable "$E2E_QUEUE"; end_case' EXIT
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot
  expect_question_then_no 482
  [[ -z $(lpstat -o) ]] || fail "a job was left in the stopped queue"
}

case_printer_removed_while_printing() {
  store Zoom=1
  picture "$CASE_DIR/pic.png" 3840 2160 NOISE
  copy_picture "$CASE_DIR/pic.png"
  export TMPDIR=$CASE_DIR/tmp
  mkdir -p "$TMPDIR"
  run_mirablot
  # The document has begun once its file exists; the queue goes before it is handed over.
  local deadline=$((SECONDS + 30))
  until compgen -G "$TMPDIR/mirablot-*.pdf" >/dev/null; do
    ((SECONDS < deadline)) || fail "the document never began"
    sleep 0.01
  done
  remove_queue
  # 1030: client-error-not-found.
  expect_question_then_no 1030
  [[ -z $(lpstat -W all -o) ]] || fail "a job was left behind"
  [[ -z $(ls -A "$TMPDIR") ]] || fail "the document's file was left behind"
}

# Settings the program did not write. Unrecognised values fall through (no orientation change,
# no fitting, left and top, no margin); a margin that is not a number, or out of range, is an
# error said in the question box.
case_hand_edited_settings() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  local values
  for values in 'Orientation=" 1"|Zoom=yes|PositionH=@Invalid()|PositionV=中央|Space0=1|SpaceMM=" 20"' \
    'Orientation=1,0|Zoom=@ByteArray(1)|PositionH="1, 2"|Space0=1|SpaceMM=20'; do
    IFS='|' read -ra lines <<<"$values"
    store "${lines[@]}"
    fresh_output
    run_mirablot
    finish_mirablot
    # Portrait as the queue has it, at the left; the 20 mm margin (1134 twips) still applies.
    expect_print "$CASE_DIR/pic.png" portrait 56.7 0 225 150
  done
  for values in 'SpaceMM=1,5:13' 'SpaceMM=99999999999999999999:6' 'SpaceMM=1e308:13' \
    'SpaceMM=NaN:13' 'SpaceMM=２０:13'; do
    store Space0=1 "${values%:*}"
    fresh_output
    run_mirablot
    expect_question_then_no "${values##*:}"
  done
}

case_empty_or_broken_settings_file() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  local contents
  for contents in '' '[Startup' $'\x00\xff\xfe[[]]=\n=\n\\' $'[Startup]\nZoom\nSpace0=1\n\\x\n'; do
    mkdir -p "$(dirname "$SETTINGS_FILE")"
    printf '%s' "$contents" >"$SETTINGS_FILE"
    fresh_output
    run_mirablot
    finish_mirablot
    expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  done
}

case_unreadable_settings_file() {
  store Zoom=1
  run_as_nobody
  chmod 000 "$SETTINGS_FILE"
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot
  expect_question_then_no 75
}

case_two_instances_at_once() {
  store Zoom=1 PositionH=1 PositionV=1
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  run_mirablot
  local first=$MIRABLOT_PID
  run_mirablot
  finish_mirablot
  expect_status 0
  MIRABLOT_PID=$first
  finish_mirablot
  expect_status 0
  local pdfs pdf
  pdfs=$(printed_pdfs 2)
  expect_jobs 2
  # Fitted to the 11200 twips of width: 560 x 373.33 pt, centred on the 16140 twips of height.
  for pdf in $pdfs; do
    /usr/bin/python3 "$E2E_SOURCE_DIR/pdfcheck.py" "$pdf" --source "$CASE_DIR/pic.png" \
      --orientation portrait --place 0 216.833 560 373.333
  done
}

case_comma_decimal_locale() {
  # A German locale of our own (glibc reads it from LOCPATH; Qt from the name).
  export LOCPATH=$CASE_DIR/locale
  mkdir -p "$LOCPATH"
  localedef -i de_DE -f UTF-8 "$LOCPATH/de_DE.UTF-8" 2>/dev/null || true
  [[ -d $LOCPATH/de_DE.UTF-8 ]] || fail "could not build the de_DE locale"
  store Orientation=0 Zoom=0 PositionH=1 PositionV=1 Space0=1 Space1=0 SpaceMM=12.5
  LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 print_from_clipboard "$CASE_DIR/pic.png" 300 200
  # margin 12.5 x 56.7 = 708.75, to 709 twips; x = 709 + round(5991 / 2) = 3705 twips.
  expect_print "$CASE_DIR/pic.png" portrait 185.25 328.5 225 150
}

case_no_display() {
  env -u DISPLAY "$MIRABLOT" >"$CASE_DIR/stdout" 2>"$CASE_DIR/stderr" && status=0 || status=$?
  ((status == 2)) || fail "exit status $status without a display, expected 2"
  [[ $(wc -l <"$CASE_DIR/stderr") == 1 ]] || fail "expected one line on stderr: $(cat "$CASE_DIR/stderr")"
  grep -q "no display" "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
  DISPLAY=:999 "$MIRABLOT" 2>"$CASE_DIR/stderr" && status=0 || status=$?
  ((status == 2)) || fail "exit status $status with an unreachable display, expected 2"
  grep -q '":999"' "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
}

name=${1:?case name}
[[ -n ${LAYOUTS[$name]:-} ]] || declare -F "case_$name" >/dev/null || fail "no case $name"
begin_case "$name"
if [[ -n ${LAYOUTS[$name]:-} ]]; then
  layout_case "$name"
else
  "case_$name"
fi
echo "PASS: $name"
