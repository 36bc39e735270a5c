#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end printing: the real program, the clipboard of a virtual display and a print
# scheduler whose default queue writes PDFs.
#
#   print-cases.sh CASE     with E2E_DIR (a started harness) and MIRABLOT (the program)
#
# The queue prints on A4 (595 x 842 pt) with no hardware margins, so the printable extents are
# 11900 x 16840 twips less the margin and 700; the display has 15 twips per pixel. Expected
# places are worked out by hand in twips (20 twips to the point). The first cases run under
# Wine too (wine-cases.sh), with its hooks and its picture formats.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
PICTURE=${PICTURE:-png}

case_nothing_stored() {
  print_picture "$CASE_DIR/pic.$PICTURE" 300 200
  # At the origin, natural size 4500 x 3000 twips, in the printer's own orientation, unseen.
  expect_print "$CASE_DIR/pic.$PICTURE" portrait 0 0 225 150
  [[ -z $(xdotool search --onlyvisible --name . 2>/dev/null) ]] || fail "a window was shown"
}

case_landscape_top_margin() {
  store Orientation=1 Zoom=0 PositionH=1 PositionV=0 Space0=0 Space1=1 SpaceMM=20
  print_picture "$CASE_DIR/pic.$PICTURE" 300 200
  # Landscape 16840 x 11900: x = round((16840 - 700 - 4500) / 2) = 5820; y = 20 x 56.7 = 1134.
  expect_print "$CASE_DIR/pic.$PICTURE" landscape 291 56.7 225 150
}

# A scrolling capture across pages (--long), fitted to the width: 1000 x 6000 pixels become
# 11200 x 67200 twips, 11.2 a row, so that 1441 rows fill a page of 16140 twips: five pages,
# each cut below a blank row between two lines of text.
case_long_picture() {
  store Zoom=1
  print_picture "$CASE_DIR/pic.$PICTURE" 1000 6000 TEXT --long
  expect_status 0
  local pdf
  pdf=$(printed_pdf)
  [[ $(pdfinfo "$pdf" | sed -n 's/^Pages: *//p') == 5 ]] || fail "$(pdfinfo "$pdf" | grep Pages)"
  [[ -n ${WINEPREFIX:-} ]] && return
  pdfcheck --long "$(sent_document)" "$CASE_DIR/pic.png" ||
    fail "the document sent does not hold the picture in slices as it should"
}

case_not_a_picture() {
  copy_text "not a picture"
  run_program
  expect_question_then_no 481
}

# A picture file on another printer (--printer, over PRINTER), with copies and grey: the copies
# travel with the job. On Linux grey is asked of the printer, the picture itself sent unchanged
# (the test queue prints it grey); a file missing, or not a picture, is said by name. Under
# Wine, the PostScript driver hands CUPS the copies and ignores dmColor.
case_file_on_another_printer() {
  extra_queue a5 "" -o PageSize=A5
  picture "$CASE_DIR/pic.$PICTURE" 300 200
  PRINTER=$E2E_QUEUE run_program --printer "$EXTRA_QUEUE" --copies 2 --grey \
    "${FILE_PREFIX:-}$CASE_DIR/pic.$PICTURE"
  finish
  # shellcheck disable=SC2086
  expect_print "$CASE_DIR/pic.$PICTURE" portrait 0 0 225 150 --sheet 421 595 ${ANY_COLOURS---any-colours}
  expect_job_attributes 'copies (integer) = 2'
  [[ -n ${WINEPREFIX:-} ]] && return
  expect_job_attributes 'print-color-mode (keyword) = monochrome'
  pdfcheck --pixels "$(sent_document)" "$CASE_DIR/pic.png" ||
    fail "the picture sent is not the one in the file"
  run_program "$CASE_DIR/missing.png"
  expect_question_then_no 53 missing.png
  printf 'text' >"$CASE_DIR/notes.png"
  run_program "$CASE_DIR/notes.png"
  expect_question_then_no 481 notes.png
}

# An incremental transfer prints; owners that stop answering (at once, or in the middle of an
# incremental transfer) hold the program up for the two seconds of silence allowed, and not
# much longer.
case_owners_that_stall() {
  picture "$CASE_DIR/pic.png" 300 200
  start_helper "$CLIPBOARD_OWNER" incr image/png "$CASE_DIR/pic.png" 4096
  run_program
  finish
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  local owner
  for owner in silent "incr-stall image/png $CASE_DIR/pic.png 4096"; do
    # shellcheck disable=SC2086
    start_helper "$CLIPBOARD_OWNER" $owner
    run_program
    expect_question_then_no 521
    ((QUESTION_MS >= 2000 && QUESTION_MS < 10000)) || fail "$owner: the question took $QUESTION_MS ms"
  done
}

# The X display goes away in the middle of the read: error 521 on stderr, no box (there is
# nothing left to show it on), status 1. A SIGPIPE its closed connection may raise is ignored.
case_display_lost_mid_read() {
  background Xvfb -displayfd 3 -nolisten tcp -noreset 3>"$CASE_DIR/display" >/dev/null 2>&1
  local xvfb=$! line
  wait_for 10 test -s "$CASE_DIR/display" || fail "no display of the case's own"
  export DISPLAY=:$(<"$CASE_DIR/display")
  picture "$CASE_DIR/pic.png" 300 200
  start_helper "$CLIPBOARD_OWNER" incr-stall image/png "$CASE_DIR/pic.png" 4096
  run_program
  read -r -t 10 line <&"$HELPER_FD" && [[ $line == sent* ]] || fail "the transfer did not begin"
  kill -PIPE "$MIRABLOT_PID"
  kill "$xvfb"
  finish 1
  expect_error 521
  expect_jobs 0
}

# A compositor without windows that offers only ext_data_control_manager_v1 (as KDE Plasma 6.5
# does), the X display beside it, reached by name, then by an inherited socket alone
# (WAYLAND_SOCKET), which only the reader can use: a picture prints either way; text brings the
# question on the X display, or, where there is none, says why there is no box.
case_wayland_socket() {
  export XDG_RUNTIME_DIR=$CASE_DIR/runtime WAYLAND_DISPLAY=wayland-e2e
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  picture "$CASE_DIR/pic.png" 300 200
  printf 'text' >"$CASE_DIR/text"
  local socket=(/usr/bin/python3 -c 'import os, socket, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); os.set_inheritable(s.fileno(), True)
os.environ["WAYLAND_SOCKET"] = str(s.fileno()); del os.environ["WAYLAND_DISPLAY"]
os.execv(sys.argv[2], sys.argv[2:])' "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY")
  start_helper "$TEST_COMPOSITOR" "$WAYLAND_DISPLAY" ext
  start_helper "$WAYLAND_CLIPBOARD_OWNER" --protocol ext serve "image/png=$CASE_DIR/pic.png"
  for RUN_AS in "" "${socket[*]@Q}"; do
    eval "RUN_AS=($RUN_AS)"
    run_program
    finish
    expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  done
  start_helper "$WAYLAND_CLIPBOARD_OWNER" --protocol ext serve "text/plain=$CASE_DIR/text"
  RUN_AS=()
  run_program
  expect_question_then_no 481
  RUN_AS=(env -u DISPLAY "${socket[@]}")
  run_program
  finish 2
  grep -q "WAYLAND_SOCKET" "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
}

# The decoding budget: three 5K screens side by side print, fitted into the portrait room of
# 11200 x 16140 twips (560 pt wide, 105 pt high); a picture that declares an enormous size is
# refused, its size said.
case_large_pictures() {
  store Zoom=1
  print_picture "$CASE_DIR/pic.png" 15360 2880 TEXT
  expect_print "$CASE_DIR/pic.png" portrait 0 0 560 105
  picture "$CASE_DIR/huge.png" 100000 100000 HEADER
  copy_picture "$CASE_DIR/huge.png"
  run_program
  expect_question_then_no 7 "100000 × 100000"
}

# The queue refusing jobs, then stopped: CUPS's status, or the printer's state, and no job
# left; then no scheduler (a port of the case's own that nobody listens on), and no default
# printer (put back when the case ends).
case_printer_unavailable() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  cupsreject "$E2E_QUEUE"
  on_exit cupsaccept "$E2E_QUEUE"
  run_program
  expect_question_then_no 1286
  cupsaccept "$E2E_QUEUE"
  cupsdisable "$E2E_QUEUE"
  on_exit cupsenable "$E2E_QUEUE"
  run_program
  expect_question_then_no 482
  [[ -z $(lpstat -o) ]] || fail "a job was left in the stopped queue"
  start_helper /usr/bin/python3 -c 'import socket, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); print("ready", s.getsockname()[1], flush=True)
time.sleep(3600)'
  RUN_AS=(env "CUPS_SERVER=localhost:${HELPER_LINE#ready }")
  run_program
  expect_question_then_no 484
  RUN_AS=()
  on_exit add_queue "$E2E_QUEUE"
  lpadmin -x "$E2E_QUEUE"
  run_program
  expect_question_then_no 484
}

# The queue goes after the document was drawn, before it is handed over (the program held
# there by the debugger): CUPS's not-found status, and no job and no file left.
case_printer_removed_while_printing() {
  store Zoom=1
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  export TMPDIR=$CASE_DIR/tmp
  mkdir -p "$TMPDIR"
  on_exit add_queue "$E2E_QUEUE"
  RUN_AS=(gdb -q -batch -ex 'break mirablot::cups::CupsPrinter::Submit' -ex run
    -ex "shell lpadmin -x $E2E_QUEUE" -ex continue -ex 'quit $_exitcode' --args)
  run_program
  expect_question_then_no 1030  # client-error-not-found
  [[ -z $(lpstat -W all -o) ]] || fail "a job was left behind"
  [[ -z $(ls -A "$TMPDIR") ]] || fail "the document's file was left behind"
}

case_comma_decimal_locale() {
  # A German locale of our own (glibc reads it from LOCPATH; Qt from the name).
  export LOCPATH=$CASE_DIR/locale
  mkdir -p "$LOCPATH"
  localedef -i de_DE -f UTF-8 "$LOCPATH/de_DE.UTF-8" 2>/dev/null || true
  [[ -d $LOCPATH/de_DE.UTF-8 ]] || fail "could not build the de_DE locale"
  store Orientation=0 Zoom=0 PositionH=1 PositionV=1 Space0=1 Space1=0 SpaceMM=12.5
  LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 print_picture "$CASE_DIR/pic.png" 300 200
  # margin 12.5 x 56.7 = 708.75, to 709 twips; x = 709 + round(5991 / 2) = 3705 twips;
  # y = round((16840 - 700 - 3000) / 2) = 6570 twips.
  expect_print "$CASE_DIR/pic.png" portrait 185.25 328.5 225 150
}

# No display named, or one that cannot be reached: said on one line, status 2.
case_no_display() {
  RUN_AS=(env -u DISPLAY)
  run_program
  finish 2
  [[ $(wc -l <"$CASE_DIR/stderr") == 1 ]] || fail "expected one line: $(cat "$CASE_DIR/stderr")"
  grep -q "no display" "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
  RUN_AS=(env DISPLAY=:999)
  run_program
  finish 2
  grep -q '":999"' "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
}

[[ ${BASH_SOURCE[0]} != "$0" ]] || run_case "$@"
