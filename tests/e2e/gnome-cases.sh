#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end on headless GNOME Shell (Wayland; no data control, so the clipboard comes through
# XWayland's), on the shared harness's print scheduler. The shell itself owns the clipboard
# (St.Clipboard, through its Eval method in unsafe mode) and closes windows: headless Mutter has
# no keyboard for wl-copy.
#
#   gnome-cases.sh CASE
#
# The shell needs a system bus (UPower, logind): it gets one of its own in a mount namespace of
# its own, which leaves the machine's alone. It, and Mirablot, run as nobody.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# start_gnome: the shell, with XWayland, on a 1280 x 800 virtual monitor; sets WAYLAND_DISPLAY,
# DISPLAY and XAUTHORITY.
start_gnome() {
  desktop_as_nobody
  # The namespace's own /run/dbus and system bus; the shell under a session bus of its own.
  setsid unshare --mount --propagation private bash -c '
    mount -t tmpfs tmpfs /run/systemd 2>/dev/null; mount -t tmpfs tmpfs /run/dbus
    dbus-daemon --system --fork --print-pid=3 3>"$1/system-bus.pid" || exit 1
    shift
    exec "$@"' - "$DESKTOP_DIR" "${AS_NOBODY[@]}" env -i PATH=/usr/bin:/bin HOME="$HOME" \
    XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" dbus-run-session -- sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$XDG_RUNTIME_DIR/bus"
      exec gnome-shell --headless --wayland --unsafe-mode --virtual-monitor 1280x800' \
    >"$CASE_DIR/shell.log" 2>&1 &
  local shell=$!
  on_exit eval 'kill "$(cat "$DESKTOP_DIR/system-bus.pid")"'
  on_exit kill -- "-$shell"
  export WAYLAND_DISPLAY=wayland-0
  wait_for 30 shell_eval '"up"' || fail "GNOME Shell did not start: $(tail -n 5 "$CASE_DIR/shell.log")"
  DISPLAY=$(shell_eval 'imports.gi.GLib.getenv("DISPLAY")' | tr -d '"')
  XAUTHORITY=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*")
  export DISPLAY XAUTHORITY
}

# shell_eval JS: the value of the JavaScript in the shell, as JSON; fails when it throws.
shell_eval() {
  local answer
  answer=$("${AS_NOBODY[@]}" env DBUS_SESSION_BUS_ADDRESS="$(cat "$XDG_RUNTIME_DIR/bus")" \
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.gnome.Shell.Eval "const {GLib, St} = imports.gi; $1") || return 1
  [[ $answer == "(true, '"* ]] || return 1
  answer=${answer#"(true, '"}
  echo "${answer%"')"}"
}

# The shell's own clipboard holds FILE as TYPE.
shell_copy() {
  chmod a+r "$2"
  shell_eval "const [, data] = GLib.file_get_contents('$2');
    St.Clipboard.get_default().set_content(St.ClipboardType.CLIPBOARD, '$1', new GLib.Bytes(data));
    'copied'" >/dev/null || fail "the shell did not take the clipboard"
}

# close_window TITLE: the shell closes the window once it is there.
close_window() {
  local js="global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title() === '$1')"
  wait_for 20 shell_eval "if ($js.length === 0) throw 'none'; 'there'" ||
    fail "no window titled \"$1\" appeared: $(cat "$CASE_DIR/stderr")"
  shell_eval "$js.forEach(w => w.delete(global.get_current_time())); 'closed'" >/dev/null
}

# A picture prints through XWayland. Without XWayland (DISPLAY unset here) nothing a program
# without a window can read: the question box shows on Wayland itself, and when the shell closes
# it the process is gone within seconds.
case_xwayland_clipboard_and_wayland_question() {
  start_gnome
  picture "$CASE_DIR/pic.png" 300 200
  shell_copy image/png "$CASE_DIR/pic.png"
  run_program
  finish
  expect_print "$CASE_DIR/pic.png" portrait 0 0 225 150
  printf 'not a picture' >"$CASE_DIR/text"
  shell_copy text/plain "$CASE_DIR/text"
  RUN_AS=("${AS_NOBODY[@]}" env -u DISPLAY)
  run_program
  close_window "Mirablot Error"
  finish 1 10
  expect_jobs 0
  expect_error 481
}

run_case "$@"
