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

# print_on VARIABLE=QUEUE SETTINGS|- ORIENTATION X Y W H [PDFCHECK OPTIONS]: the test picture
# (copied first, once), printed on the queue that PRINTER or LPDEST choose with these settings
# stored (- for none), lands there.
print_on() {
  local choice=$1 settings=$2
  shift 2
  if [[ ! -e $CASE_DIR/pic.png ]]; then
    picture "$CASE_DIR/pic.png" 300 200
    copy_picture "$CASE_DIR/pic.png"
  fi
  rm -f "$SETTINGS_FILE"
  # shellcheck disable=SC2086
  [[ $settings == - ]] || store ${settings//,/ }
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

# The user's own choices (lpoptions): grey and quality travel with the job, while those that
# would shrink or frame the page do not; then the paper, as a size with a paper source or as a
# PPD's page size: the page is laid out on it, and the choice travels as the user wrote it.
case_user_printer_choices_travel_with_the_job() {
  on_exit rm -f "$HOME/.cups/lpoptions"
  lpoptions -p "$E2E_QUEUE" -o print-color-mode=monochrome -o print-quality=5 -o number-up=2 \
    -o page-border=single >/dev/null
  # The picture where it belongs, at its size, alone; grey, as the user asked.
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

# PRINTER or LPDEST choose the destination for one run, as with lp: an A5 queue here, whose
# extents the right and bottom alignment shows (A5 here is 421 x 595 pt, 8420 x 11900 twips):
# x = 8420 - 700 - 4500 = 3220 twips; y = 11900 - 700 - 3000 = 8200 twips. A queue that does
# not exist is said, not replaced by the default one.
case_printer_or_lpdest_choose_the_queue() {
  extra_queue a5 "" -o PageSize=A5
  local variable
  for variable in PRINTER LPDEST; do
    print_on "$variable=$EXTRA_QUEUE" PositionH=2,PositionV=2 portrait 161 410 225 150 --sheet 421 595
  done
  PRINTER=$E2E_QUEUE-gone run_program
  expect_question_then_no 484 PRINTER
  run_program --printer "$E2E_QUEUE-gone"
  expect_question_then_no 484 "$E2E_QUEUE-gone"
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

# Positions are measured from the printable area's top-left, and the extents are the printable
# area. A PPD whose A4 printable area leaves 18 pt left and right, 36 pt at the top and 30 pt
# at the bottom: 559 x 776 pt = 11180 x 15520 twips. Right and bottom: x = 11180 - 700 - 4500
# = 5980 twips, y = 15520 - 700 - 3000 = 11820 twips. Fit: the width limits, 10480 twips wide
# and 3000 x 10480 / 4500 = 6986.67 twips high. Then a driverless queue (lpadmin -m
# everywhere) on ippeveprinter, an IPP Everywhere printer that takes PDF and reports US Letter
# with 18 pt margins in its media database, keeping what it receives: its printable area is
# 576 x 756 pt (11520 x 15120 twips), x = 18 pt + (11520 - 700 - 4500) twips = 334 pt,
# y = 18 pt + (15120 - 700 - 3000) twips = 589 pt.
case_hardware_margins() {
  sed 's|^\*ImageableArea A4/A4: .*|*ImageableArea A4/A4: "18 30 577 806"|' \
    /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd >"$CASE_DIR/margins.ppd"
  extra_queue margins "$CASE_DIR/margins.ppd"
  print_on "PRINTER=$EXTRA_QUEUE" - portrait 18 36 225 150
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
