#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end on real Wayland compositors, headless, on the shared harness's print scheduler:
# sway (wlroots), with or without XWayland, and GNOME Shell. sway gives the clipboard to an X11
# client only while one of its windows has focus: Mirablot reads it without a window, and its
# boxes and windows work on Wayland itself. GNOME offers no data control: the clipboard comes
# through XWayland's. The helpers (wl-copy, swaymsg, wtype, grim, gdbus) run as root.
#
#   wayland-cases.sh sway_with_xwayland | sway_without_xwayland | gnome_shell
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# start_sway enable|disable: sway on a 1920 x 1080 headless output scaled 2x, with XWayland or
# without.
start_sway() {
  desktop_as_nobody
  cat >"$DESKTOP_DIR/sway.conf" <<CONF
xwayland $1
output HEADLESS-1 resolution 1920x1080 scale 2
exec sh -c 'echo "\$WAYLAND_DISPLAY \$SWAYSOCK \${DISPLAY:-}" >$XDG_RUNTIME_DIR/session'
CONF
  env -i PATH=/usr/bin:/bin HOME="$HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${AS_NOBODY[@]}" sway -c "$DESKTOP_DIR/sway.conf" >"$CASE_DIR/sway.log" 2>&1 &
  on_exit wait $!
  on_exit kill $!
  wait_for 15 test -s "$XDG_RUNTIME_DIR/session" || fail "sway did not start: $(tail -n 5 "$CASE_DIR/sway.log")"
  local display
  read -r WAYLAND_DISPLAY SWAYSOCK display <"$XDG_RUNTIME_DIR/session"
  export WAYLAND_DISPLAY SWAYSOCK
  unset DISPLAY  # the harness's Xvfb is not this desktop
  [[ $1 == disable ]] || export DISPLAY=$display
  # A keyboard for the windows: Qt takes a seat's keyboard when it starts, so it must exist
  # before Mirablot does (wtype alone adds one only for its own keystrokes).
  background wtype -s 3600000
  wait_for 15 sh -c 'swaymsg -t get_seats | grep -q "\"capabilities\": 2"' ||
    fail "the virtual keyboard did not appear"
}

# The clipboard's hooks: wl-copy owns it.
wl_copy() {
  TMPDIR=$CASE_DIR wl-copy --foreground --type "$1" <"$2" &
  HELPER_PIDS+=($!)
  wait_for 10 sh -c "wl-paste --list-types | grep -qx '$1'" || fail "wl-copy did not take the clipboard"
}

copy_picture() { local type=image/${1##*.}; wl_copy "${type/jpg/jpeg}" "$1"; }

copy_text() { printf '%s' "$1" >"$CASE_DIR/text" && wl_copy text/plain "$CASE_DIR/text"; }

has_window() { swaymsg -t get_tree | grep -qF "\"name\": \"$1\""; }

wait_for_window() {
  wait_for 20 has_window "$1" || fail "no window titled \"$1\" appeared: $(cat "$CASE_DIR/stderr")"
}

# on_sway enable|disable: the cases on sway, with XWayland or without.
on_sway() {
  start_sway "$1"
  # Pictures print without a window, a PNG with an alpha channel decoded; at 2x, 600 x 400
  # pixels are 4500 x 3000 twips.
  local format
  for format in png:RGBA bmp:BMP jpg:JPEG; do
    print_picture "$CASE_DIR/pic.${format%:*}" 600 400 "${format#*:}"
    expect_print "$CASE_DIR/pic.${format%:*}" portrait 0 0 225 150
  done
  ! swaymsg -t get_tree | grep -q '"pid"' || fail "a window was shown"
  # grim - | mirablot -, as a shortcut would run it: 3840 x 2160 pixels fitted, 11200 x 6300.
  store Zoom=1
  grim "$CASE_DIR/screen.png"
  INPUT=<(grim -) run_program -
  finish
  expect_print "$CASE_DIR/screen.png" portrait 0 0 560 315
  # Text brings the question; closing it is No, and the process is gone within seconds (Qt's
  # Wayland teardown could once hang).
  copy_text "not a picture"
  local run took
  for run in 1 2 3 4 5; do
    run_program
    wait_for_window "Mirablot Error"
    took=$(elapsed_ms)
    swaymsg '[title="^Mirablot Error$"] kill' >/dev/null
    finish 1 10
    expect_jobs 0
    expect_error 481
    ((took < 10000)) || fail "the question took $took ms"
  done
  # Yes opens the settings window; Return presses OK, its default button, which saves.
  rm -r "$XDG_CONFIG_HOME/Quillery"  # root's, and nothing stored
  run_program
  wait_for_window "Mirablot Error"
  wtype -M alt y -m alt
  wait_for_window Quillery
  wtype -k Return
  expect_settings_stored 1 "Orientation=0 PositionH=0 PositionV=0 Space0=0 Space1=0 SpaceMM=20 Zoom=0"
}

case_sway_with_xwayland() { on_sway enable; }

case_sway_without_xwayland() { on_sway disable; }

# start_gnome: the shell, with XWayland, on a 1280 x 800 virtual monitor. It needs a system bus
# (UPower, logind): one of its own, in a mount namespace of its own. In unsafe mode, it owns the
# clipboard itself (St.Clipboard, through its Eval method) and closes windows: headless Mutter
# has no keyboard for wl-copy.
start_gnome() {
  desktop_as_nobody
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
  # A fresh machine's first shell builds its caches first: that took CI over 30 s.
  wait_for 90 shell_eval '"up"' || fail "GNOME Shell did not start: $(tail -n 5 "$CASE_DIR/shell.log")"
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

# A picture prints through XWayland. Without XWayland (DISPLAY unset here) nothing a program
# without a window can read: the question box shows on Wayland itself, and when the shell closes
# it the process is gone within seconds.
case_gnome_shell() {
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
  # The shell closes the box once it is there.
  wait_for 20 shell_eval "const w = global.get_window_actors().map(a => a.meta_window)
    .filter(w => w.get_title() === 'Mirablot Error'); if (!w.length) throw 'none';
    w.forEach(w => w.delete(global.get_current_time())); 'closed'" || fail "no box: $(cat "$CASE_DIR/stderr")"
  finish 1 10
  expect_jobs 0
  expect_error 481
}

run_case "$@"
