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

case_landscape_default_queue() {
  extra_queue landscape "" -o orientation-requested-default=4
  export PRINTER=$EXTRA_QUEUE
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  store Orientation=0
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  fresh_output
  store Orientation=1
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.png" landscape 0 0 225 150
  # Nothing stored: the printer's own orientation, which this queue says is landscape.
  fresh_output
  rm -f "$SETTINGS_FILE"
  run_mirablot
  finish_mirablot
  expect_print "$CASE_DIR/pic.png" landscape 0 0 225 150
}

# Queue defaults that would shrink the page onto half a sheet, frame it, or fit it.
case_layout_defaults_of_the_queue() {
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  local default
  for default in number-up-default=2 page-border-default=double fit-to-page-default=true; do
    extra_queue "${default%%-default=*}" "" -o "$default"
    fresh_output
    PRINTER=$EXTRA_QUEUE run_mirablot
    finish_mirablot
    echo "queue with $default:"
    expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  done
}

case_user_printer_choices_travel_with_the_job() {
  lpoptions -p "$E2E_QUEUE" -o print-color-mode=monochrome -o print-quality=5 -o number-up=2 \
    -o page-border=single >/dev/null
  trap 'rm -f "$HOME/.cups/lpoptions"; end_case' EXIT
  print_from_clipboard "$CASE_DIR/pic.png" 300 200
  # The picture where it belongs, at its size, alone; grey, as the user asked.
  expect_status 0
  /usr/bin/python3 "$E2E_SOURCE_DIR/pdfcheck.py" "$(printed_pdfs)" --source "$CASE_DIR/pic.png" \
    --orientation portrait --place 0 0 225 150 --any-colours
  local attributes
  attributes=$(job_attributes)
  echo "$attributes"
  local expected
  for expected in 'print-color-mode (keyword) = monochrome' 'print-quality (enum) = high' \
    'number-up (integer) = 1' 'print-scaling (keyword) = none' 'orientation-requested (enum) = portrait'; do
    grep -qxF "$expected" <<<"$attributes" || fail "the job lacks \"$expected\""
  done
}

# PRINTER or LPDEST choose the destination for one run, as with lp: an A5 queue here, whose
# extents the right and bottom alignment shows (A5 here is 421 x 595 pt, 8420 x 11900 twips).
case_printer_or_lpdest_choose_the_queue() {
  extra_queue a5 "" -o PageSize=A5
  local a5=$EXTRA_QUEUE
  store PositionH=2 PositionV=2
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  local variable
  for variable in PRINTER LPDEST; do
    fresh_output
    env "$variable=$a5" "$MIRABLOT" >"$CASE_DIR/stdout" 2>"$CASE_DIR/stderr" &
    MIRABLOT_PID=$!
    finish_mirablot
    expect_status 0
    # x = 8420 - 700 - 4500 = 3220 twips; y = 11900 - 700 - 3000 = 8200 twips.
    /usr/bin/python3 "$E2E_SOURCE_DIR/pdfcheck.py" "$(printed_pdfs)" --source "$CASE_DIR/pic.png" \
      --orientation portrait --place 161 410 225 150 --sheet 421 595
    [[ $(lpstat -W all -o "$a5" | wc -l) -ge 1 ]] || fail "$variable did not choose $a5"
  done
  # A queue that does not exist is said, not replaced by the default one.
  fresh_output
  PRINTER=$E2E_QUEUE-gone run_mirablot
  expect_question_then_no 484
  grep -q "PRINTER" "$CASE_DIR/stderr" || fail "unclear message: $(cat "$CASE_DIR/stderr")"
}

# A PPD whose A4 printable area leaves 18 pt left and right and 36 pt top and bottom: positions
# are measured from the printable area's top-left, and the extents are the printable area.
case_hardware_margins() {
  sed 's|^\*ImageableArea A4/A4: .*|*ImageableArea A4/A4: "18 36 577 806"|' \
    /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd >"$CASE_DIR/margins.ppd"
  extra_queue margins "$CASE_DIR/margins.ppd"
  export PRINTER=$EXTRA_QUEUE
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  local settings place
  # Printable area 559 x 770 pt = 11180 x 15400 twips.
  # left/top: at the area's corner. right/bottom: x = 11180 - 700 - 4500 = 5980 twips,
  # y = 15400 - 700 - 3000 = 11700 twips. fit: the width limits, 10480 twips wide and
  # 3000 x 10480 / 4500 = 6986.67 twips high.
  for settings in 'PositionH=0 PositionV=0:18 36 225 150' 'PositionH=2 PositionV=2:317 621 225 150' \
    'Zoom=1:18 36 524 349.333'; do
    # shellcheck disable=SC2086
    store ${settings%%:*}
    fresh_output
    run_mirablot
    finish_mirablot
    place=${settings##*:}
    # shellcheck disable=SC2086
    expect_print "$CASE_DIR/pic.png" portrait $place
  done
}

# dnssd_client: ippeveprinter needs a DNS-SD daemon to talk to, even when it registers nothing.
# Starts avahi (and the system bus it needs) if none runs, publishing nothing and listening on
# loopback only, and stops what it started when the case ends.
dnssd_client() {
  STARTED_DBUS= STARTED_AVAHI=
  trap 'stop_dnssd; end_case' EXIT
  avahi-daemon --check 2>/dev/null && return
  if ! dbus-send --system --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetId 2>/dev/null; then
    # What a bus that was killed left behind would keep a new one from starting.
    mkdir -p /run/dbus
    rm -f /run/dbus/pid /run/dbus/system_bus_socket
    STARTED_DBUS=$(dbus-daemon --system --fork --print-pid) || fail "no system bus"
  fi
  cat >"$CASE_DIR/avahi.conf" <<CONF
[server]
allow-interfaces=lo
use-ipv6=no
[publish]
disable-publishing=yes
CONF
  avahi-daemon -D --no-drop-root --no-chroot -f "$CASE_DIR/avahi.conf" || fail "avahi did not start"
  STARTED_AVAHI=yes
}

stop_dnssd() {
  [[ -z ${EVE_PID:-} ]] || kill "$EVE_PID" 2>/dev/null || true
  [[ -z $STARTED_AVAHI ]] || avahi-daemon -k 2>/dev/null || true
  if [[ -n $STARTED_DBUS ]]; then
    kill "$STARTED_DBUS" 2>/dev/null || true
    rm -f /run/dbus/pid /run/dbus/system_bus_socket
  fi
}

# A driverless queue (lpadmin -m everywhere) on ippeveprinter, an IPP Everywhere printer that
# takes PDF and reports US Letter with 18 pt (6.35 mm) margins in its media database; it keeps
# what it receives. Right and bottom: the printable area is 576 x 756 pt (11520 x 15120 twips),
# x = 18 pt + (11520 - 700 - 4500) twips = 334 pt, y = 18 pt + (15120 - 700 - 3000) twips = 589 pt.
case_driverless_queue_with_margins() {
  dnssd_client
  local port
  port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mkdir -p "$CASE_DIR/received"
  ippeveprinter -r off -p "$port" -f application/pdf -k -d "$CASE_DIR/received" Mirablot-e2e \
    >"$CASE_DIR/ippeveprinter.log" 2>&1 &
  EVE_PID=$!
  local deadline=$((SECONDS + 15))
  until ipptool -q "ipp://localhost:$port/ipp/print" get-printer-attributes.test 2>/dev/null; do
    ((SECONDS < deadline)) || fail "ippeveprinter did not start: $(cat "$CASE_DIR/ippeveprinter.log")"
    sleep 0.1
  done
  local queue=$E2E_QUEUE-driverless
  lpadmin -p "$queue" -E -v "ipp://localhost:$port/ipp/print" -m everywhere ||
    fail "no driverless queue"
  EXTRA_QUEUES=$queue  # removed when the case ends
  store PositionH=2 PositionV=2
  picture "$CASE_DIR/pic.png" 300 200
  copy_picture "$CASE_DIR/pic.png"
  PRINTER=$queue run_mirablot
  finish_mirablot
  expect_status 0
  deadline=$((SECONDS + 30))
  until compgen -G "$CASE_DIR/received/*.pdf" >/dev/null; do
    ((SECONDS < deadline)) || fail "the printer received nothing"
    sleep 0.1
  done
  # The job done before the queue goes: a queue removed under a running job leaves it listed a
  # while, and the next case would count it.
  until [[ -z $(lpstat -o "$queue") ]]; do
    ((SECONDS < deadline)) || fail "the job did not finish"
    sleep 0.1
  done
  local received
  received=$(compgen -G "$CASE_DIR/received/*.pdf")
  /usr/bin/python3 "$E2E_SOURCE_DIR/pdfcheck.py" "$received" --source "$CASE_DIR/pic.png" \
    --orientation portrait --place 334 589 225 150 --sheet 612 792
}

name=${1:?case name}
declare -F "case_$name" >/dev/null || fail "no case $name"
begin_case "$name"
"case_$name"
echo "PASS: $name"
