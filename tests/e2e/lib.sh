# SPDX-License-Identifier: MIT
# Helpers for the end-to-end cases, sourced after the harness has started. Each case gets its
# own settings directory, an empty PDF folder and a clipboard owned by its own xclip.
set -euo pipefail

: "${E2E_DIR:?E2E_DIR must name the harness directory}"
: "${MIRABLOT:?MIRABLOT must name the program to test}"
E2E_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=/dev/null
source "$E2E_DIR/env.sh"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# begin_case NAME: a fresh work folder, settings folder, clipboard and PDF folder.
begin_case() {
  CASE_DIR=$E2E_DIR/cases/$1
  rm -rf "$CASE_DIR"
  mkdir -p "$CASE_DIR"
  export XDG_CONFIG_HOME=$CASE_DIR/config
  SETTINGS_FILE=$XDG_CONFIG_HOME/Quillery/Quillery.conf
  CLIPBOARD_PID=
  RUN_AS=()
  NOBODY_DIR=
  trap end_case EXIT
  # A key left down by an aborted keystroke would autorepeat into the next case's windows.
  xdotool keyup Return Escape alt y n 2>/dev/null || true
  fresh_output
}

# fresh_output: no PDF yet, and the jobs counted from here on.
fresh_output() {
  rm -f "$E2E_PDF_DIR"/*
  JOBS_BEFORE=$(job_count)
}

end_case() {
  [[ -z $CLIPBOARD_PID ]] || kill "$CLIPBOARD_PID" 2>/dev/null || true
  [[ -z ${NOBODY_DIR:-} ]] || rm -rf "$NOBODY_DIR"
  local queue
  for queue in ${EXTRA_QUEUES:-}; do
    lpadmin -x "$queue" 2>/dev/null || true
    rm -f "/etc/cups/cups-pdf-$queue.conf"
  done
}

# extra_queue SUFFIX [PPD [LPADMIN OPTIONS...]]: another PDF-writing queue for this case, named
# after the default one, in EXTRA_QUEUE; removed when the case ends.
extra_queue() {
  EXTRA_QUEUE=$E2E_QUEUE-$1
  shift
  "$E2E_SOURCE_DIR/harness.sh" pdf-queue "$E2E_DIR" "$EXTRA_QUEUE" "$@" ||
    fail "could not add queue $EXTRA_QUEUE"
  EXTRA_QUEUES="${EXTRA_QUEUES:-} $EXTRA_QUEUE"
}

# job_attributes: the newest job's template attributes as the scheduler keeps them, one
# "name (type) = value" a line.
job_attributes() {
  local job
  job=$(lpstat -W all -o | sed -n 's/^[^ ]*-\([0-9][0-9]*\) .*/\1/p' | sort -n | tail -n 1)
  [[ -n $job ]] || fail "no job to ask about"
  ipptool -tv "ipp://$CUPS_SERVER/jobs/$job" "$E2E_SOURCE_DIR/job-attributes.test" |
    sed -n '/RECEIVED:/,$p' | sed 's/^ *//'
}

# run_as_nobody: the program runs as an ordinary user from here on (root ignores file
# permissions). The build tree may sit where that user cannot reach (under /root), so the
# program and the settings written so far move to a folder of their own under /tmp.
run_as_nobody() {
  NOBODY_DIR=$(mktemp -d /tmp/mirablot-nobody.XXXXXX)
  chmod 0755 "$NOBODY_DIR"
  cp "$MIRABLOT" "$NOBODY_DIR/mirablot"
  MIRABLOT=$NOBODY_DIR/mirablot
  mkdir -p "$XDG_CONFIG_HOME/Quillery"
  cp -a "$XDG_CONFIG_HOME" "$NOBODY_DIR/config"
  export XDG_CONFIG_HOME=$NOBODY_DIR/config XDG_RUNTIME_DIR=$NOBODY_DIR/runtime
  SETTINGS_FILE=$XDG_CONFIG_HOME/Quillery/Quillery.conf
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  chown -R nobody:nogroup "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
  RUN_AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
}

job_count() { lpstat -W all -o | wc -l; }

# store KEY=VALUE...: the settings file as the program writes it.
store() {
  mkdir -p "$(dirname "$SETTINGS_FILE")"
  { echo "[Startup]"; printf '%s\n' "$@"; } >"$SETTINGS_FILE"
}

# picture FILE W H [FORMAT]: a test picture made afresh.
picture() {
  /usr/bin/python3 "$E2E_SOURCE_DIR/make-picture.py" "$@"
}

# own_clipboard TYPE [FILE]: xclip owns the clipboard with FILE (or stdin) as TYPE.
own_clipboard() {
  local type=$1
  shift
  [[ -z $CLIPBOARD_PID ]] || kill "$CLIPBOARD_PID" 2>/dev/null || true
  xclip -selection clipboard -t "$type" -quiet "$@" >/dev/null 2>&1 &
  CLIPBOARD_PID=$!
  local deadline=$((SECONDS + 10))
  until xclip -o -selection clipboard -t TARGETS 2>/dev/null | grep -qx "$type"; do
    ((SECONDS < deadline)) || fail "xclip did not take the clipboard"
    sleep 0.05
  done
}

copy_picture() { own_clipboard "${2:-image/png}" -i "$1"; }

# misbehaving_owner ARGS...: the test owner takes the clipboard (see ClipboardOwner.cpp).
misbehaving_owner() {
  : "${CLIPBOARD_OWNER:?CLIPBOARD_OWNER must name the test clipboard owner}"
  [[ -z $CLIPBOARD_PID ]] || kill "$CLIPBOARD_PID" 2>/dev/null || true
  coproc OWNER { exec "$CLIPBOARD_OWNER" "$@"; }
  CLIPBOARD_PID=$OWNER_PID
  local line
  read -r -t 10 line <&"${OWNER[0]}" && [[ $line == ready ]] || fail "the test owner did not start"
}
copy_text() {
  printf '%s' "$1" >"$CASE_DIR/clipboard.txt"
  own_clipboard UTF8_STRING -i "$CASE_DIR/clipboard.txt"
}

# print_from_clipboard FILE W H [FORMAT [TYPE]]: a fresh picture on the clipboard, then one
# run of the program to its end.
print_from_clipboard() {
  picture "$1" "$2" "$3" "${4:-PNG}"
  copy_picture "$1" "${5:-image/png}"
  run_mirablot
  finish_mirablot
}

# run_mirablot: runs the program in the background; MIRABLOT_PID names it.
run_mirablot() {
  STARTED_NS=$(date +%s%N)
  "${RUN_AS[@]}" "$MIRABLOT" "$@" >"$CASE_DIR/stdout" 2>"$CASE_DIR/stderr" &
  MIRABLOT_PID=$!
}

# finish_mirablot [SECONDS]: waits for the program (a minute unless said); its exit status goes
# to MIRABLOT_STATUS.
finish_mirablot() {
  local deadline=$((SECONDS + ${1:-60}))
  while kill -0 "$MIRABLOT_PID" 2>/dev/null; do
    if ((SECONDS >= deadline)); then
      kill "$MIRABLOT_PID"
      fail "mirablot did not finish"
    fi
    sleep 0.05
  done
  MIRABLOT_STATUS=0
  wait "$MIRABLOT_PID" || MIRABLOT_STATUS=$?
}

# find_window TITLE: the id of the window with exactly this title, once it is mapped.
find_window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) ||
    fail "no window titled \"$1\" appeared"
  [[ -n $id ]] || fail "no window titled \"$1\" appeared"
  echo "$id"
}

# press WINDOW KEYS: focuses the window and types the keys through XTEST. (With --window,
# xdotool may abort between press and release when the key closes the window, leaving the key
# down on the server.)
press() {
  xdotool windowfocus --sync "$1"
  xdotool key --clearmodifiers "$2"
}

# printed_pdfs [COUNT]: waits until the scheduler has finished every job, then names the
# PDFs, one a line; there must be COUNT of them (default 1).
printed_pdfs() {
  local count=${1:-1} deadline=$((SECONDS + 60)) pdfs
  while [[ -n $(lpstat -o) ]]; do
    ((SECONDS < deadline)) || fail "the print job did not finish"
    sleep 0.1
  done
  shopt -s nullglob
  pdfs=("$E2E_PDF_DIR"/*.pdf)
  ((${#pdfs[@]} == count)) || fail "expected $count PDF(s), found ${#pdfs[@]}"
  printf '%s\n' "${pdfs[@]}"
}

# elapsed_ms: milliseconds since run_mirablot started the program.
elapsed_ms() { echo $((($(date +%s%N) - STARTED_NS) / 1000000)); }

expect_jobs() {
  local got=$(($(job_count) - JOBS_BEFORE))
  ((got == $1)) || fail "expected $1 print job(s), the scheduler got $got"
}

expect_status() {
  ((MIRABLOT_STATUS == $1)) ||
    fail "exit status $MIRABLOT_STATUS, expected $1; stderr: $(cat "$CASE_DIR/stderr")"
}

# expect_print SOURCE ORIENTATION X Y W H: the picture printed once, there, pixel for pixel.
expect_print() {
  local source=$1
  shift
  expect_status 0
  local pdf
  pdf=$(printed_pdfs)
  expect_jobs 1
  /usr/bin/python3 "$E2E_SOURCE_DIR/pdfcheck.py" "$pdf" --source "$source" --orientation "$1" \
    --place "$2" "$3" "$4" "$5" --dpi "${E2E_PRINTER_DPI:-1200}"
}

# The question box appears; Return answers No: status 1 and nothing printed. With NUMBER, the
# box reported that error number (the program logs each box's text on stderr).
expect_question_then_no() {
  local window
  window=$(find_window "Mirablot Error")
  QUESTION_MS=$(elapsed_ms)
  import -window "$window" "$CASE_DIR/question.png" 2>/dev/null || true
  press "$window" Return
  finish_mirablot
  expect_status 1
  expect_jobs 0
  shopt -s nullglob
  local pdfs=("$E2E_PDF_DIR"/*.pdf)
  ((${#pdfs[@]} == 0)) || fail "something was printed"
  if [[ $# -gt 0 ]]; then
    grep -q "Err.Number:.$1 " "$CASE_DIR/stderr" || fail "expected error $1: $(cat "$CASE_DIR/stderr")"
  fi
}
