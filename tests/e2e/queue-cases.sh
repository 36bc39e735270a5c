#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end on queues set up the way people set up their printers: defaults that would turn,
# shrink or frame a page, the user's own printer choices (lpoptions), another destination for
# one run, and hardware margins. Mirablot's page is final: the layout must come out as its
# settings say, while the device choices still travel with the job.
#
#   queue-cases.sh CASE     with E2E_DIR (a started harness) and MIRABLOT (the program)
#
# Places as in print-cases.sh: A4 is 11900 x 16840 twips, the display 15 twips a pixel, and the
# 300 x 200 test picture 4500 x 3000 twips (225 x 150 pt).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# print_on QUEUE SETTINGS|- ORIENTATION X Y W H [PDFCHECK OPTIONS]: the test picture, printed
# on the queue with these settings stored (- for none), lands there.
print_on() {
  local queue=$1 settings=$2
  shift 2
  rm -f "$SETTINGS_FILE"
  # shellcheck disable=SC2086
  [[ $settings == - ]] || store ${settings//,/ }
  PRINTER=$queue run_program
  finish
  echo "on $queue with $settings:"
  expect_print "$CASE_DIR/pic.png" "$@"
}

# Queue defaults that would turn the page, shrink it onto half a sheet, frame it, or fit it.
case_layout_defaults_of_the_queue() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  extra_queue landscape "" -o orientation-requested-default=4
  print_on "$EXTRA_QUEUE" Orientation=0 portrait 0 0 225 150
  print_on "$EXTRA_QUEUE" Orientation=1 landscape 0 0 225 150
  # Nothing stored: the printer's own orientation, which this queue says is landscape.
  print_on "$EXTRA_QUEUE" - landscape 0 0 225 150
  local default
  for default in number-up-default=2 page-border-default=double fit-to-page-default=true; do
    extra_queue "${default%%-default=*}" "" -o "$default"
    print_on "$EXTRA_QUEUE" - portrait 0 0 225 150
  done
}

case_user_printer_choices_travel_with_the_job() {
  lpoptions -p "$E2E_QUEUE" -o print-color-mode=monochrome -o print-quality=5 -o number-up=2 \
    -o page-border=single >/dev/null
  on_exit rm -f "$HOME/.cups/lpoptions"
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  # The picture where it belongs, at its size, alone; grey, as the user asked.
  print_on "$E2E_QUEUE" - portrait 0 0 225 150 --any-colours
  local attributes expected
  attributes=$(job_attributes)
  echo "$attributes"
  for expected in 'print-color-mode (keyword) = monochrome' 'print-quality (enum) = high' \
    'number-up (integer) = 1' 'print-scaling (keyword) = none' 'orientation-requested (enum) = portrait'; do
    grep -qxF "$expected" <<<"$attributes" || fail "the job lacks \"$expected\""
  done
}

# The paper the user chose with lpoptions, in every form lp takes (a PPD's name, PWG's, a size
# with a paper source): the page is laid out on it, and the choice travels as the user wrote it.
case_users_paper() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  on_exit rm -f "$HOME/.cups/lpoptions"
  local row option sheet media
  for row in 'media=A5|421 595|A5' 'media=Letter|612 792|Letter' 'media=A5,Tray2|421 595|A5,Tray2' \
    'media=iso_a5_148x210mm,tray-2|421 595|iso_a5_148x210mm,tray-2' 'PageSize=A5|421 595|-'; do
    IFS='|' read -r option sheet media <<<"$row"
    rm -f "$HOME/.cups/lpoptions"
    lpoptions -p "$E2E_QUEUE" -o "$option" >/dev/null
    # shellcheck disable=SC2086
    print_on "$E2E_QUEUE" - portrait 0 0 225 150 --sheet $sheet
    [[ $media == - ]] || job_attributes | grep -qE "^media \(.*keyword\) = $media\$" ||
      fail "$option: the job's media is not $media: $(job_attributes | grep ^media)"
  done
}

# The run's own choices: copies and grey travel with the job as IPP asks for them, the picture
# itself unchanged in the document the scheduler received (the test queue prints it grey).
case_run_choices_travel_with_the_job() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  run_program --copies 3 --grey
  finish
  expect_status 0
  wait_for 60 scheduler sh -c '[ -z "$(lpstat -o)" ]' || fail "the print job did not finish"
  local attributes expected
  attributes=$(job_attributes)
  for expected in 'copies (integer) = 3' 'print-color-mode (keyword) = monochrome'; do
    grep -qxF "$expected" <<<"$attributes" || fail "the job lacks \"$expected\": $attributes"
  done
  pdfimages -png "$(sent_document)" "$CASE_DIR/sent"
  /usr/bin/python3 -c 'import sys; from PIL import Image
a, b = (Image.open(path).convert("RGB").tobytes() for path in sys.argv[1:]); sys.exit(a != b)' \
    "$CASE_DIR/sent-000.png" "$CASE_DIR/pic.png" || fail "the picture sent is not the one copied"
}

# PRINTER or LPDEST choose the destination for one run, as with lp: an A5 queue here, whose
# extents the right and bottom alignment shows (A5 here is 421 x 595 pt, 8420 x 11900 twips).
case_printer_or_lpdest_choose_the_queue() {
  extra_queue a5 "" -o PageSize=A5
  store PositionH=2 PositionV=2
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  local variable
  for variable in PRINTER LPDEST; do
    export "$variable=$EXTRA_QUEUE"
    run_program
    finish
    unset "$variable"
    # x = 8420 - 700 - 4500 = 3220 twips; y = 11900 - 700 - 3000 = 8200 twips.
    expect_print "$CASE_DIR/pic.png" portrait 161 410 225 150 --sheet 421 595
    [[ $(lpstat -W all -o "$EXTRA_QUEUE" | wc -l) -ge 1 ]] || fail "$variable did not choose it"
  done
  # --printer chooses it over PRINTER.
  PRINTER=$E2E_QUEUE run_program --printer "$EXTRA_QUEUE"
  finish
  expect_print "$CASE_DIR/pic.png" portrait 161 410 225 150 --sheet 421 595
  # A queue that does not exist is said, not replaced by the default one.
  PRINTER=$E2E_QUEUE-gone run_program
  expect_question_then_no 484
  grep -q "PRINTER" "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
  run_program --printer "$E2E_QUEUE-gone"
  expect_question_then_no 484
  grep -q -- "-gone" "$CASE_DIR/stderr" || fail "the destination was not named"
}

# A PPD whose A4 printable area leaves 18 pt left and right and 36 pt top and bottom: positions
# are measured from the printable area's top-left, and the extents are the printable area,
# 559 x 770 pt = 11180 x 15400 twips. Right and bottom: x = 11180 - 700 - 4500 = 5980 twips,
# y = 15400 - 700 - 3000 = 11700 twips. Fit: the width limits, 10480 twips wide and
# 3000 x 10480 / 4500 = 6986.67 twips high.
case_hardware_margins() {
  sed 's|^\*ImageableArea A4/A4: .*|*ImageableArea A4/A4: "18 36 577 806"|' \
    /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd >"$CASE_DIR/margins.ppd"
  extra_queue margins "$CASE_DIR/margins.ppd"
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  print_on "$EXTRA_QUEUE" - portrait 18 36 225 150
  print_on "$EXTRA_QUEUE" PositionH=2,PositionV=2 portrait 317 621 225 150
  print_on "$EXTRA_QUEUE" Zoom=1 portrait 18 36 524 349.333
}

# dnssd_client: ippeveprinter needs a DNS-SD daemon to talk to, even when it registers nothing.
# Starts avahi (and the system bus it needs) if none runs, publishing nothing and listening on
# loopback only, and stops what it started when the case ends.
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

# A driverless queue (lpadmin -m everywhere) on ippeveprinter, an IPP Everywhere printer that
# takes PDF and reports US Letter with 18 pt (6.35 mm) margins in its media database; it keeps
# what it receives. Right and bottom: the printable area is 576 x 756 pt (11520 x 15120 twips),
# x = 18 pt + (11520 - 700 - 4500) twips = 334 pt, y = 18 pt + (15120 - 700 - 3000) twips = 589 pt.
case_driverless_queue_with_margins() {
  dnssd_client
  local port queue=$E2E_QUEUE-driverless
  port=$(free_port)
  mkdir -p "$CASE_DIR/received"
  ippeveprinter -r off -p "$port" -f application/pdf -k -d "$CASE_DIR/received" Mirablot-e2e \
    >"$CASE_DIR/ippeveprinter.log" 2>&1 &
  HELPER_PIDS+=($!)
  wait_for 15 ipptool -q "ipp://localhost:$port/ipp/print" get-printer-attributes.test ||
    fail "ippeveprinter did not start: $(cat "$CASE_DIR/ippeveprinter.log")"
  lpadmin -p "$queue" -E -v "ipp://localhost:$port/ipp/print" -m everywhere || fail "no queue"
  on_exit lpadmin -x "$queue"
  store PositionH=2 PositionV=2
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  PRINTER=$queue run_program
  finish
  expect_status 0
  # The job done before the queue goes: a queue removed under a running job leaves it listed a
  # while, and the next case would count it.
  wait_for 30 sh -c "[ -z \"\$(lpstat -o $queue)\" ] && ls $CASE_DIR/received/*.pdf" ||
    fail "the printer received nothing"
  check_pdf "$(ls "$CASE_DIR"/received/*.pdf)" "$CASE_DIR/pic.png" portrait 334 589 225 150 \
    --sheet 612 792
}

[[ ${BASH_SOURCE[0]} != "$0" ]] || run_case "$@"
