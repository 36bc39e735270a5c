# SPDX-License-Identifier: MIT
# What the end-to-end cases share, sourced by each suite after the harness has started. A suite
# defines case_NAME functions and ends with `run_case "$@"`. The hooks (run_program,
# copy_picture, copy_text, store, stored, answer_yes, scale_screen) are the X11 desktop's; the
# other desktops' suites put their own in their place, so that cases can run on each.
set -euo pipefail

: "${E2E_DIR:?E2E_DIR must name the harness directory}"
: "${MIRABLOT:?MIRABLOT must name the program to test}"
E2E_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=harness.sh
source "$E2E_SOURCE_DIR/harness.sh"
# shellcheck source=/dev/null
source "$E2E_DIR/env.sh"

# What the case started (stopped by their ids), what the program runs under, what it undoes.
HELPER_PIDS=() RUN_AS=() CLEANUP=()

fail() { echo "FAIL: $*" >&2; exit 1; }

# run_case NAME [FUNCTION]: the case (case_NAME unless said), in a fresh folder of its own.
run_case() {
  local name=${1:?case name} run=${2:-case_$1}
  declare -F "$run" >/dev/null || fail "no case $name"
  CASE_DIR=$E2E_DIR/cases/$name
  rm -rf "$CASE_DIR"
  mkdir -p "$CASE_DIR"
  export XDG_CONFIG_HOME=$CASE_DIR/config
  SETTINGS_FILE=$XDG_CONFIG_HOME/Quillery/Quillery.conf
  trap end_case EXIT
  # A key left down by an aborted keystroke would autorepeat into the next case's windows.
  xdotool keyup Return Escape alt y n 2>/dev/null || true
  "$run"
  echo "PASS: $name"
}

# on_exit COMMAND...: undone when the case ends, last first.
on_exit() { CLEANUP=("$(printf '%q ' "$@")" "${CLEANUP[@]}"); }

end_case() {
  local step
  kill "${HELPER_PIDS[@]}" 2>/dev/null || true
  for step in "${CLEANUP[@]}"; do
    eval "$step" || true
  done
}

# start_helper COMMAND...: a helper that prints "ready" once it is (HELPER_LINE), then more on
# HELPER_FD.
start_helper() {
  local fifo
  fifo=$(mktemp -u "$CASE_DIR/helper.XXXXXX")
  mkfifo "$fifo"
  exec {HELPER_FD}<>"$fifo"
  rm "$fifo"
  "$@" >&"$HELPER_FD" &
  HELPER_PID=$!
  HELPER_PIDS+=("$HELPER_PID")
  read -r -t 30 HELPER_LINE <&"$HELPER_FD" && [[ $HELPER_LINE == ready* ]] ||
    fail "$(basename "$1") did not start"
}

# background COMMAND...: a helper that needs no handshake, stopped when the case ends.
background() { "$@" & HELPER_PIDS+=($!); }

job_ids() { env -u PRINTER -u LPDEST lpstat -W all -o | sed -n 's/^[^ ]*-\([0-9][0-9]*\) .*/\1/p' | sort -n; }

# extra_queue SUFFIX [PPD [LPADMIN OPTIONS...]]: another PDF-writing queue for this case, named
# after the default one, in EXTRA_QUEUE; removed when the case ends.
extra_queue() {
  EXTRA_QUEUE=$E2E_QUEUE-$1
  shift
  pdf_queue "$EXTRA_QUEUE" "$@" || fail "could not add queue $EXTRA_QUEUE"
  on_exit lpadmin -x "$EXTRA_QUEUE"
}

# expect_job_attributes "NAME (TYPE) = VALUE"...: the newest job carries these.
expect_job_attributes() {
  local attributes expected
  attributes=$(ipptool -tv "ipp://$CUPS_SERVER/jobs/$(job_ids | tail -n 1)" \
    get-job-attributes.test | sed 's/^ *//')
  for expected in "$@"; do
    grep -qxF -- "$expected" <<<"$attributes" || fail "the job lacks \"$expected\": $attributes"
  done
}

# desktop_as_nobody: a compositor (they refuse root) and Mirablot run as nobody from here on,
# from a folder of their own under /tmp (DESKTOP_DIR).
desktop_as_nobody() {
  DESKTOP_DIR=$(mktemp -d /tmp/mirablot-desktop.XXXXXX)
  on_exit rm -rf "$DESKTOP_DIR"
  chmod 0755 "$DESKTOP_DIR"
  install -d -m 0700 -o nobody -g nogroup "$DESKTOP_DIR"/{runtime,home,config}
  cp "$MIRABLOT" "$(dirname "$MIRABLOT")/mirablot-qt.so" "$DESKTOP_DIR/"  # its window module, beside it
  MIRABLOT=$DESKTOP_DIR/${MIRABLOT##*/}
  export XDG_RUNTIME_DIR=$DESKTOP_DIR/runtime XDG_CONFIG_HOME=$DESKTOP_DIR/config HOME=$DESKTOP_DIR/home
  SETTINGS_FILE=$XDG_CONFIG_HOME/Quillery/Quillery.conf
  # Ghostscript writes the PDF as the job's owner.
  chmod 1777 "$E2E_PDF_DIR"
  on_exit chmod 0755 "$E2E_PDF_DIR"
  AS_NOBODY=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  RUN_AS=("${AS_NOBODY[@]}")
}

# buttons WINDOW [NAME]: the push buttons of the window titled WINDOW as a screen reader reads
# them (QT_LINUX_ACCESSIBILITY_ALWAYS_ON); with NAME, that one pressed, failing when not there.
buttons() {
  "${RUN_AS[@]}" /usr/bin/python3 -c 'import pyatspi, sys
def buttons(node):
    own = [node] if node.getRoleName() == "push button" else []
    return own + [button for child in node if child is not None for button in buttons(child)]
found = [button for app in pyatspi.Registry.getDesktop(0) for window in app
         if window is not None and window.name == sys.argv[1] for button in buttons(window)]
print(*(button.name for button in found))
sys.exit(len(sys.argv) > 2 and not [b for b in found if b.name == sys.argv[2] and b.queryAction().doAction(0)])' "$@"
}

# locale_of_our_own NAME: the UTF-8 locale NAME built for the case, which glibc finds on LOCPATH.
locale_of_our_own() {
  export LOCPATH=$CASE_DIR/locale
  mkdir -p "$LOCPATH"
  localedef -i "$1" -f UTF-8 "$LOCPATH/$1.UTF-8" 2>/dev/null || true
  [[ -d $LOCPATH/$1.UTF-8 ]] || fail "could not build the $1 locale"
}

# store KEY=VALUE...: the settings as the program writes them (nothing: none stored).
store() { mkdir -p "${SETTINGS_FILE%/*}" && printf '%s\n' "[Startup]" "$@" >"$SETTINGS_FILE"; }

# stored: the stored settings on one line, "KEY=VALUE ..." in the order of their names.
stored() { sed -n 's/^\([A-Za-z0-9]*=.*\)$/\1/p' "$SETTINGS_FILE" | LC_ALL=C sort | paste -sd ' '; }

# picture FILE W H [FORMAT]: a test picture made afresh (see make-picture.py).
picture() { /usr/bin/python3 "$E2E_SOURCE_DIR/make-picture.py" "$@"; }

# own_clipboard TYPE FILE: xclip offers the file as TYPE until the next owner takes over.
own_clipboard() {
  background xclip -selection clipboard -t "$1" -quiet -i "$2" >/dev/null 2>&1
  wait_for 10 sh -c "xclip -o -selection clipboard -t TARGETS | grep -qx '$1'" ||
    fail "xclip did not take the clipboard"
}

copy_picture() { local type=image/${1##*.}; own_clipboard "${type/jpg/jpeg}" "$1"; }

copy_text() { printf '%s' "$1" >"$CASE_DIR/text" && own_clipboard UTF8_STRING "$CASE_DIR/text"; }

# run_program [ARGS...]: the program in the background (MIRABLOT_PID), reading INPUT if set, its
# output and jobs counted afresh, by id: a queue removed takes its jobs out of the list.
run_program() {
  rm -f "$E2E_PDF_DIR"/*
  JOBS_BEFORE=$(job_ids | tail -n 1)
  STARTED_NS=$(date +%s%N)
  "${RUN_AS[@]}" "$MIRABLOT" "$@" <"${INPUT:-/dev/null}" >"$CASE_DIR/stdout" 2>"$CASE_DIR/stderr" &
  MIRABLOT_PID=$!
  HELPER_PIDS+=("$MIRABLOT_PID")
}

ended() { ! kill -0 "$MIRABLOT_PID" 2>/dev/null; }

# finish [STATUS [SECONDS]]: the program ended (within a minute unless said), with STATUS.
finish() {
  wait_for "${2:-60}" ended || fail "mirablot did not finish"
  MIRABLOT_STATUS=0
  wait "$MIRABLOT_PID" || MIRABLOT_STATUS=$?
  [[ -z ${1:-} ]] || expect_status "$1"
}

# copied_picture FILE W H [FORMAT]: a fresh picture on the clipboard.
copied_picture() { picture "$@"; copy_picture "$1"; }

# print_picture FILE W H [FORMAT [OPTIONS...]]: a fresh picture on the clipboard, printed.
print_picture() {
  copied_picture "${@:1:4}"
  run_program "${@:5}"
  finish
}

# sent_document: the newest document the scheduler received.
sent_document() { ls "$E2E_SPOOL_DIR"/d*-001 | sort | tail -n 1; }

# find_window TITLE: the id of the window with exactly this title, once it is mapped.
find_window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) || true
  [[ -n $id ]] || fail "no window titled \"$1\" appeared"
  echo "$id"
}

# press WINDOW KEYS: through XTEST: with --window, xdotool may fail to release a key that
# closes the window, leaving it down on the server.
press() { xdotool windowfocus --sync "$1" && xdotool key --clearmodifiers "$2"; }

answer_yes() { press "$1" alt+y; }

# printed_pdf: once the scheduler has finished every job, the one PDF printed.
printed_pdf() {
  wait_for 60 sh -c '[ -z "$(lpstat -o)" ]' || fail "the print job did not finish"
  shopt -s nullglob
  local pdfs=("$E2E_PDF_DIR"/*.pdf)
  ((${#pdfs[@]} == 1)) || fail "expected one PDF, found ${#pdfs[@]}"
  echo "${pdfs[0]}"
}

elapsed_ms() { echo $((($(date +%s%N) - STARTED_NS) / 1000000)); }

expect_jobs() {
  local got
  got=$(job_ids | awk -v before="${JOBS_BEFORE:-0}" '$1 > before' | wc -l)
  ((got == $1)) || fail "expected $1 print job(s), the scheduler got $got"
}

expect_status() {
  ((MIRABLOT_STATUS == $1)) ||
    fail "exit status $MIRABLOT_STATUS, expected $1; stderr: $(cat "$CASE_DIR/stderr")"
}

# expect_error NUMBER [TEXT]: the program reported this error (each box is a line on stderr).
expect_error() {
  grep "Err.Number:.$1\b" "$CASE_DIR/stderr" | grep -qF -- "${2:-}" ||
    fail "expected error $1 ${2:+saying \"$2\"}: $(cat "$CASE_DIR/stderr")"
}

pdfcheck() { /usr/bin/python3 "$E2E_SOURCE_DIR/pdfcheck.py" "$@"; }

# expect_stamp [PAGES]: each page printed says when (a minute from the program's start to now)
# and, of more than one, which page it is.
expect_stamp() {
  local pdf pages=${1:-1} page text number=""
  pdf=$(printed_pdf)
  local minutes
  minutes="$(date -d "@$((STARTED_NS / 1000000000))" '+%Y-%m-%d %H:%M')|$(date '+%Y-%m-%d %H:%M')"
  for ((page = 1; page <= pages; page++)); do
    ((pages == 1)) || number=" $page/$pages"
    text=$(pdftotext -f "$page" -l "$page" "$pdf" - | tr -s '[:space:]' ' ')
    grep -qE "^ ?($minutes)$number ?\$" <<<"$text" || fail "page $page of $pages says \"$text\""
  done
}

# expect_print SOURCE ORIENTATION X Y W H [PDFCHECK OPTIONS]: printed once, there, and so.
expect_print() {
  expect_status 0
  local pdf
  pdf=$(printed_pdf)
  expect_jobs 1
  pdfcheck "$pdf" "$1" --orientation "$2" --place "${@:3:4}" --dpi "${E2E_PRINTER_DPI:-1200}" "${@:7}"
}

# expect_question_then_no [NUMBER [TEXT]]: the question box comes (QUESTION_MS after the
# start); Return answers No: status 1, nothing printed.
expect_question_then_no() {
  local window
  window=$(find_window "Mirablot Error")
  QUESTION_MS=$(elapsed_ms)
  import -window "$window" "$CASE_DIR/question.png" 2>/dev/null || true
  press "$window" Return
  finish 1
  expect_jobs 0
  [[ -z $(ls "$E2E_PDF_DIR") ]] || fail "something was printed"
  [[ $# == 0 ]] || expect_error "$@"
}

# expect_settings_stored STATUS SETTINGS: ended with STATUS, nothing printed, these stored.
expect_settings_stored() {
  finish "$1"
  expect_jobs 0
  [[ $(stored) == "$2" ]] || fail "the settings hold \"$(stored)\", expected \"$2\""
}
