#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end printing: the real program, the clipboard of a virtual display and a print
# scheduler whose default queue writes PDFs on A4 with no hardware margins: the printable
# extents are 11900 x 16840 twips less the margin and 700; the display has 15 twips per pixel.
# Places are worked out by hand in twips (20 to the point). The first cases run under Wine too.
#
#   print-cases.sh CASE     with E2E_DIR (a started harness) and MIRABLOT (the program)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
PICTURE=${PICTURE:-png}

case_nothing_stored() {
  print_picture "$CASE_DIR/pic.$PICTURE" 300 200
  # At the origin, natural size 4500 x 3000 twips, in the printer's own orientation, unseen.
  expect_print "$CASE_DIR/pic.$PICTURE" portrait 0 0 225 150
  [[ -z $(xdotool search --onlyvisible --name . 2>/dev/null) ]] || fail "a window was shown"
}

# Landscape, 16840 x 11900 twips: x = round((16840 - 700 - 4500) / 2) = 5820; the top margin
# 12.5 x 56.7 = 708.75, to 709 twips. Then, on Linux, the same in a German locale of our own
# (glibc reads it from LOCPATH, Qt from the name): the decimal comma changes neither the
# margin read nor the PDF's numbers. The first print is stamped: the stamp is text below the
# picture's room, and the picture is where it is without one.
case_landscape_top_margin() {
  store Orientation=1 Zoom=0 PositionH=1 PositionV=0 Space0=0 Space1=1 SpaceMM=12.5
  print_picture "$CASE_DIR/pic.$PICTURE" 300 200 "" --stamp
  expect_print "$CASE_DIR/pic.$PICTURE" landscape 291 35.45 225 150 --stamp
  expect_stamp
  [[ -n ${WINEPREFIX:-} ]] && return
  locale_of_our_own de_DE
  LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 print_picture "$CASE_DIR/pic.png" 300 200
  expect_print "$CASE_DIR/pic.png" landscape 291 35.45 225 150
}

# A scrolling capture across pages (--long), fitted to the width: 1000 x 6000 pixels become
# 11200 x 67200 twips, 11.2 a row, so that 1441 rows fill a page of 16140 twips: five pages,
# each cut in the middle of the blank rows between two lines of text, each stamped with the
# time and its number. Then, on Linux, the decoding budget:
# three 5K screens print, fitted into 11200 x 16140 twips (560 x 105 pt); a picture that
# declares an enormous size is refused, its size said.
case_long_picture() {
  store Zoom=1
  print_picture "$CASE_DIR/pic.$PICTURE" 1000 6000 TEXT --long --stamp
  expect_status 0
  expect_stamp 5
  [[ -n ${WINEPREFIX:-} ]] && return
  pdfcheck --long "$(sent_document)" "$CASE_DIR/pic.png" ||
    fail "the document sent does not hold the picture in slices as it should"
  print_picture "$CASE_DIR/wide.png" 15360 2880 TEXT
  expect_print "$CASE_DIR/wide.png" portrait 0 0 560 105
  copied_picture "$CASE_DIR/huge.png" 100000 100000 HEADER
  run_program
  expect_question_then_no 7 "100000 × 100000"
}

case_not_a_picture() {
  copy_text "not a picture"
  run_program
  expect_question_then_no 481
}

# A dark editor capture printed with --light: dark words on white paper, under a fifth of the
# ink (the page's darkness, summed) of the same print without it.
case_dark_capture_printed_light() {
  copied_picture "$CASE_DIR/dark.png" 600 400 DARK
  local option ink=()
  for option in "" --light; do
    run_program $option
    finish 0
    ink+=("$(pdftoppm -r 30 -gray "$(printed_pdf)" | /usr/bin/python3 -c \
      'import sys; print(sum(255 - b for b in sys.stdin.buffer.read().split(b"\n", 3)[3]))')")
  done
  ((ink[1] * 5 < ink[0])) || fail "ink without --light ${ink[0]}, with it ${ink[1]}"
}

# A picture file on another printer (--printer, over PRINTER), with copies and grey, which are
# asked of the printer, the picture itself sent unchanged (Wine's PostScript driver ignores
# dmColor); a file missing, or not a picture, said by name. PRINTER or LPDEST choose the queue,
# as with lp: its extents (A5, 8420 x 11900 twips) show in the right and bottom alignment: x =
# 8420 - 700 - 4500 = 3220 twips; y = 11900 - 700 - 3000 = 8200 twips. A queue that does not
# exist is said, not replaced by the default.
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
  copy_picture "$CASE_DIR/pic.png"
  local variable
  for variable in PRINTER LPDEST; do
    print_on "$variable=$EXTRA_QUEUE" PositionH=2,PositionV=2 portrait 161 410 225 150 --sheet 421 595
  done
  PRINTER=$E2E_QUEUE-gone run_program
  expect_question_then_no 484 PRINTER
  run_program --printer "$E2E_QUEUE-gone"
  expect_question_then_no 484 "$E2E_QUEUE-gone"
}

# An incremental transfer prints; owners that stop answering (at once, or in the middle of one)
# hold the program up for the two seconds of silence allowed, and not much longer.
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
  # Silent halfway through a picture large enough to be streamed into a job already begun: the
  # job is cancelled, nothing comes out.
  picture "$CASE_DIR/large.png" 3000 2000
  start_helper "$CLIPBOARD_OWNER" incr-stall image/png "$CASE_DIR/large.png" 262144
  run_program
  press "$(find_window "Mirablot Error")" Return
  finish 1
  expect_error 521
  expect_jobs 1
  [[ -z $(lpstat -o) && -z $(ls "$E2E_PDF_DIR") ]] || fail "the broken-off job was not cancelled"
}

# No display named, or one that cannot be reached: said on one line, status 2. Then the X
# display goes away in the middle of the read: error 521 on stderr, no box, status 1. A SIGPIPE
# its closed connection may raise is ignored.
case_display_missing_or_lost() {
  local row
  for row in '-u DISPLAY|no display' 'DISPLAY=:999|":999"'; do
    # shellcheck disable=SC2206
    RUN_AS=(env ${row%|*})
    run_program
    finish 2
    [[ $(wc -l <"$CASE_DIR/stderr") == 1 ]] || fail "expected one line: $(cat "$CASE_DIR/stderr")"
    grep -qF -- "${row#*|}" "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
  done
  RUN_AS=()
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

# A compositor without windows offering only ext_data_control_manager_v1 (as KDE Plasma 6.5),
# the X display beside it, reached by name, then by an inherited socket alone (WAYLAND_SOCKET),
# which only the reader can use: a picture prints; text brings the question on the X display,
# or, where there is none, says why there is no box.
case_wayland_socket() {
  export XDG_RUNTIME_DIR=$CASE_DIR/runtime WAYLAND_DISPLAY=wayland-e2e
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  picture "$CASE_DIR/pic.png" 300 200
  printf 'text' >"$CASE_DIR/text"
  local socket=(/usr/bin/python3 -c 'import os, socket, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); os.set_inheritable(s.fileno(), True)
os.environ["WAYLAND_SOCKET"] = str(s.fileno()); del os.environ["WAYLAND_DISPLAY"]
os.execv(sys.argv[2], sys.argv[2:])' "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY")
  start_helper "$TEST_COMPOSITOR" "$WAYLAND_DISPLAY" ext serve "image/png=$CASE_DIR/pic.png"
  for RUN_AS in "" "${socket[*]@Q}"; do
    eval "RUN_AS=($RUN_AS)"
    run_program
    finish
    expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  done
  kill "$HELPER_PID"
  wait "$HELPER_PID" || true  # gone, so that the next one takes its socket over
  start_helper "$TEST_COMPOSITOR" "$WAYLAND_DISPLAY" ext serve "text/plain=$CASE_DIR/text"
  RUN_AS=()
  run_program
  expect_question_then_no 481
  RUN_AS=(env -u DISPLAY "${socket[@]}")
  run_program
  finish 2
  grep -q "WAYLAND_SOCKET" "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
}

# The queue refusing jobs, then stopped: CUPS's status, or the printer's state, and no job
# left; then no scheduler (a port of the case's own that nobody listens on); then the queue
# goes after it was looked up, before the job is created (the debugger holds the program
# there): CUPS's not-found status, no job left, and no default printer after it (put back when
# the case ends).
case_printer_unavailable() {
  copied_picture "$CASE_DIR/pic.png" 300 200
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
  cupsenable "$E2E_QUEUE"
  start_helper /usr/bin/python3 -c 'import socket, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); print("ready", s.getsockname()[1], flush=True)
time.sleep(3600)'
  RUN_AS=(env "CUPS_SERVER=localhost:${HELPER_LINE#ready }")
  run_program
  expect_question_then_no 484
  store Zoom=1
  on_exit add_queue "$E2E_QUEUE"
  RUN_AS=(gdb -q -batch -ex 'break mirablot::cups::CupsPrinter::StartJob' -ex run
    -ex "shell lpadmin -x $E2E_QUEUE" -ex continue -ex 'quit $_exitcode' --args)
  run_program
  expect_question_then_no 1030  # client-error-not-found
  [[ -z $(lpstat -W all -o) ]] || fail "a job was left behind"
  RUN_AS=()
  run_program
  expect_question_then_no 484
}

# Queues set up the way people set up their printers (the queue suite). Mirablot's page is
# final: the layout comes out as its settings say, while the device choices travel with the job.

# print_on VARIABLE=QUEUE KEY=VALUE,...|- ORIENTATION X Y W H [PDFCHECK OPTIONS]: the test
# picture, printed on the queue PRINTER or LPDEST choose with these settings, lands there.
print_on() {
  local choice=$1 settings=$2 keys
  shift 2
  [[ -e $CASE_DIR/pic.png ]] || copied_picture "$CASE_DIR/pic.png" 300 200
  rm -f "$SETTINGS_FILE"
  IFS=, read -ra keys <<<"$settings"
  [[ $settings == - ]] || store "${keys[@]}"
  export "$choice"
  run_program
  unset "${choice%%=*}"
  finish
  echo "$choice with $settings:"
  expect_print "$CASE_DIR/pic.png" "$@"
}

# Queue defaults that would turn the page, shrink it onto half a sheet, frame it, or fit it.
case_layout_defaults_of_the_queue() {
  extra_queue landscape "" -o orientation-requested-default=4
  print_on "PRINTER=$EXTRA_QUEUE" Orientation=0 portrait 0 0 225 150
  print_on "PRINTER=$EXTRA_QUEUE" Orientation=1 landscape 0 0 225 150
  # Nothing stored: the printer's own orientation, which this queue says is landscape.
  print_on "PRINTER=$EXTRA_QUEUE" - landscape 0 0 225 150
  local default
  for default in number-up-default=2 page-border-default=double fit-to-page-default=true; do
    extra_queue "${default%%-default=*}" "" -o "$default"
    print_on "PRINTER=$EXTRA_QUEUE" - portrait 0 0 225 150
  done
}

# The user's own choices (lpoptions): grey and quality travel with the job, those that would
# shrink or frame the page do not; the paper chosen (with a paper source, or as a PPD's page
# size) is the page's, and travels as the user wrote it.
case_user_printer_choices_travel_with_the_job() {
  on_exit rm -f "$HOME/.cups/lpoptions"
  lpoptions -p "$E2E_QUEUE" -o print-color-mode=monochrome -o print-quality=5 -o number-up=2 \
    -o page-border=single >/dev/null
  print_on "PRINTER=$E2E_QUEUE" - portrait 0 0 225 150 --any-colours
  expect_job_attributes 'print-color-mode (keyword) = monochrome' 'print-quality (enum) = high' \
    'number-up (integer) = 1' 'print-scaling (keyword) = none' 'orientation-requested (enum) = portrait'
  local row option sheet media
  for row in 'media=A5,Tray2|421 595|media (1setOf keyword) = A5,Tray2' 'PageSize=Letter|612 792|-'; do
    IFS='|' read -r option sheet media <<<"$row"
    rm -f "$HOME/.cups/lpoptions"
    lpoptions -p "$E2E_QUEUE" -o "$option" >/dev/null
    # shellcheck disable=SC2086
    print_on "PRINTER=$E2E_QUEUE" - portrait 0 0 225 150 --sheet $sheet
    [[ $media == - ]] || expect_job_attributes "$media"
  done
}

# dnssd_client: ippeveprinter needs a DNS-SD daemon even when it registers nothing: avahi (and
# the system bus it needs) if none runs, publishing nothing, on loopback only.
dnssd_client() {
  avahi-daemon --check 2>/dev/null && return
  if ! dbus-send --system --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetId 2>/dev/null; then
    # What a bus that was killed left behind would keep a new one from starting.
    mkdir -p /run/dbus
    rm -f /run/dbus/pid /run/dbus/system_bus_socket
    on_exit rm -f /run/dbus/pid /run/dbus/system_bus_socket
    on_exit kill "$(dbus-daemon --system --fork --print-pid)" || fail "no system bus"
  fi
  printf '[server]\nallow-interfaces=lo\nuse-ipv6=no\n[publish]\ndisable-publishing=yes\n' \
    >"$CASE_DIR/avahi.conf"
  avahi-daemon -D --no-drop-root --no-chroot -f "$CASE_DIR/avahi.conf" || fail "avahi did not start"
  on_exit avahi-daemon -k
}

# Places from the printable area's top-left, the extents the printable area's. A PPD leaving
# 18 pt left and right, 36 pt at the top and 30 at the bottom of A4: 11180 x 15520 twips; right
# and bottom, x = 11180 - 700 - 4500 = 5980, y = 15520 - 700 - 3000 = 11820; fitted, 10480 twips
# wide and 3000 x 10480 / 4500 = 6986.67 high. A driverless queue (lpadmin -m everywhere) on
# ippeveprinter, which reports US Letter with 18 pt margins: 11520 x 15120 twips; right and
# bottom, x = 18 pt + (11520 - 700 - 4500) twips = 334 pt, y = 18 pt + (15120 - 3700) = 589 pt.
case_hardware_margins() {
  sed 's|^\*ImageableArea A4/A4: .*|*ImageableArea A4/A4: "18 30 577 806"|' \
    /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd >"$CASE_DIR/margins.ppd"
  extra_queue margins "$CASE_DIR/margins.ppd"
  print_on "PRINTER=$EXTRA_QUEUE" PositionH=2,PositionV=2 portrait 317 627 225 150
  print_on "PRINTER=$EXTRA_QUEUE" Zoom=1 portrait 18 36 524 349.333
  dnssd_client
  local port queue=$E2E_QUEUE-driverless
  port=$(free_port)
  background ippeveprinter -r off -p "$port" -f application/pdf -k -d "$E2E_PDF_DIR" Mirablot-e2e \
    >"$CASE_DIR/ippeveprinter.log" 2>&1
  wait_for 15 ipptool -q "ipp://localhost:$port/ipp/print" get-printer-attributes.test ||
    fail "ippeveprinter did not start: $(cat "$CASE_DIR/ippeveprinter.log")"
  lpadmin -p "$queue" -E -v "ipp://localhost:$port/ipp/print" -m everywhere || fail "no queue"
  on_exit lpadmin -x "$queue"
  print_on "PRINTER=$queue" PositionH=2,PositionV=2 portrait 334 589 225 150 --sheet 612 792
}

[[ ${BASH_SOURCE[0]} != "$0" ]] || run_case "$@"
