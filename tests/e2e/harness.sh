#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A private desktop for the end-to-end tests and the demo: a virtual X display, a CUPS
# scheduler with its own configuration, port and spool, and a PDF-writing queue as its default
# destination. Nothing of the user's is touched: clients reach the scheduler through
# CUPS_SERVER, the display through DISPLAY, both written to DIR/env.sh with a private HOME.
#
#   harness.sh start DIR    start everything; prints DIR/env.sh
#   harness.sh stop DIR     stop what start started and remove its files outside DIR
#
# Sourced (by the cases' lib.sh), it only defines its functions.
set -euo pipefail

die() { echo "harness: $*" >&2; exit 1; }

# free_port: a TCP port nobody listens on now.
free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# gone PID: the process has ended (a zombie nobody has reaped yet counts as ended).
gone() { ! kill -0 "$1" 2>/dev/null || [[ $(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null) == Z ]]; }

# wait_for SECONDS COMMAND...: retries the command, quietly, until it succeeds; fails after
# SECONDS.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.05
  done
}

start() {
  local dir=$1
  [[ $(id -u) == 0 ]] || die "needs root: the PDF queue's backend (cups-pdf) runs as root"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  [[ ! -e $dir/env.sh ]] || stop "$dir"
  local cups queue="mirablot-e2e-$$"
  # The filters run as lp and must reach the spool, which DIR (say, under /root) may not let
  # them: the scheduler's files live under /tmp, linked as DIR/cups.
  cups=$(mktemp -d /tmp/mirablot-cups.XXXXXX)
  chmod 755 "$cups"
  ln -sfn "$cups" "$dir/cups"
  rm -rf "$dir/pdf" "$dir/home" "$dir/runtime"
  mkdir -p "$cups"/{spool,tmp,cache,state,log} "$dir/pdf" "$dir/home" "$dir/runtime"
  chmod 700 "$dir/runtime"
  chown root:lp "$cups/spool" "$cups/tmp"
  chmod 0710 "$cups/spool"
  chmod 1770 "$cups/tmp"

  # Without -noreset the display would wipe its resources (Xft.dpi, the clipboard) whenever the
  # last client disconnects between two cases.
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -dpi 96 -nolisten tcp -noreset 3>"$dir/display" \
    >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  wait_for 10 test -s "$dir/display" || die "Xvfb did not start (see $dir/xvfb.log)"
  local display=":$(head -n1 "$dir/display")"

  # Qt talks to a session bus; without one libdbus would start one that outlives the tests.
  dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$dir/bus-address" \
    4>"$dir/bus.pid" || die "no session bus"

  local port
  port=$(free_port)
  cat >"$cups/cupsd.conf" <<CONF
Listen localhost:$port
Browsing Off
# Documents stay in the spool after printing, where the benchmark weighs them.
PreserveJobFiles Yes
DefaultAuthType None
CONF
  cat >"$cups/cups-files.conf" <<CONF
ServerRoot $cups
RequestRoot $cups/spool
TempDir $cups/tmp
CacheDir $cups/cache
StateDir $cups/state
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
CONF
  # The clients' own files (client.conf, lpoptions) come from here, not from /etc/cups.
  printf 'ServerName localhost:%s\n' "$port" >"$cups/client.conf"
  cupsd -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" -f >"$cups/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"

  cat >"$dir/env.sh" <<ENV
export DISPLAY=$display
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$dir/bus-address")
export CUPS_SERVER=localhost:$port
export CUPS_SERVERROOT=$cups
export HOME=$dir/home
export XDG_CONFIG_HOME=$dir/home/.config
export XDG_RUNTIME_DIR=$dir/runtime
export E2E_QUEUE=$queue
export E2E_PDF_DIR=$dir/pdf
export E2E_SPOOL_DIR=$cups/spool
unset LPDEST PRINTER WAYLAND_DISPLAY QT_QPA_PLATFORM
ENV
  # shellcheck source=/dev/null
  source "$dir/env.sh"
  wait_for 15 sh -c 'lpstat -r | grep -q "scheduler is running"' \
    || die "cupsd did not start (see $cups/log)"

  echo "$queue" >"$dir/queue"
  add_queue "$queue"
  echo "$dir/env.sh"
}

# pdf_queue NAME [PPD [LPADMIN OPTIONS...]]: a queue writing PDFs to E2E_PDF_DIR, each job its
# own file, and Ghostscript's rewrite without its downsampling of pictures above 450 dpi: the
# PDF then holds exactly the pixels sent. cups-pdf reads its configuration only from /etc/cups:
# stop removes the files of the queues named after the default one. Its backend runs as root.
pdf_queue() {
  local name=$1 ppd=${2:-/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd}
  shift $(($# < 2 ? $# : 2))
  {
    printf 'Out %s\nUserUMask 0022\nLabel 1\n' "$E2E_PDF_DIR"
    printf 'GSCall %s\n' '%s -q -dCompatibilityLevel=%s -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile="%s" -dAutoRotatePages=/PageByPage -dAutoFilterColorImages=false -dColorImageFilter=/FlateEncode -dPDFSETTINGS=/prepress -dDownsampleColorImages=false -dDownsampleGrayImages=false -dDownsampleMonoImages=false -c -f %s'
  } >"/etc/cups/cups-pdf-$name.conf"
  lpadmin -p "$name" -E -v "cups-pdf:/$name" -P "$ppd" "$@" 2>/dev/null
}

# add_queue NAME: the PDF-writing queue, made the default (again, by a case that removed it).
add_queue() { pdf_queue "$1" && lpadmin -d "$1"; }

stop() {
  local dir=$1 pidfile pid
  for pidfile in "$dir"/{cupsd,xvfb,bus}.pid; do
    [[ -f $pidfile ]] || continue
    pid=$(<"$pidfile")
    kill "$pid" 2>/dev/null || true
    # Gone before its files go: a scheduler still shutting down writes into its folder.
    wait_for 10 gone "$pid" || kill -9 "$pid" 2>/dev/null || true
    rm -f "$pidfile"
  done
  if [[ -f $dir/queue ]]; then
    rm -f "/etc/cups/cups-pdf-$(cat "$dir/queue")"{,-*}.conf "$dir/queue"
  fi
  if [[ -L $dir/cups ]]; then
    rm -rf "$(readlink "$dir/cups")" "$dir/cups"
  fi
  rm -f "$dir/env.sh" "$dir/display" "$dir/bus-address"
}

[[ ${BASH_SOURCE[0]} == "$0" ]] || return 0
case ${1:-} in
  start | stop) "$1" "${2:?directory}" ;;
  *) die "usage: harness.sh start|stop DIR" ;;
esac
