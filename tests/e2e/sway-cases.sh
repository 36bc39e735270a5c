#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end on a headless Wayland desktop: sway (wlroots), with or without XWayland, on the
# shared harness's print scheduler. sway gives the clipboard to an X11 client only while one of
# its windows has focus, so these cases show that Mirablot reads it without a window, and that
# its question box and settings window work on Wayland itself.
#
#   sway-cases.sh with_xwayland | without_xwayland
#
# sway refuses to run as root: it, and Mirablot, run as nobody, in a folder of their own under
# /tmp. The helpers (wl-copy, swaymsg, wtype, grim) run as root on its socket.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# start_sway enable|disable: sway on a 1920 x 1080 headless output scaled 2x; sets
# WAYLAND_DISPLAY, SWAYSOCK and, with XWayland, DISPLAY. Mirablot runs there as nobody.
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

# The Wayland clipboard's hooks: wl-copy owns it.
wl_copy() {
  TMPDIR=$CASE_DIR wl-copy --foreground --type "$1" <"$2" &
  HELPER_PIDS+=($!)
  wait_for 10 sh -c "wl-paste --list-types | grep -qx '$1'" || fail "wl-copy did not take the clipboard"
}

copy_picture() {
  local type=image/${1##*.}
  wl_copy "${type/jpg/jpeg}" "$1"
}

copy_text() {
  printf '%s' "$1" >"$CASE_DIR/text"
  wl_copy text/plain "$CASE_DIR/text"
}

has_window() { swaymsg -t get_tree | grep -qF "\"name\": \"$1\""; }

wait_for_window() {
  wait_for 20 has_window "$1" || fail "no window titled \"$1\" appeared: $(cat "$CASE_DIR/stderr")"
}

on_sway() {
  # Pictures print without a window, a PNG with an alpha channel decoded, at the output's 2x
  # scale: 600 x 400 pixels are 4500 x 3000 twips.
  local format
  for format in png:RGBA bmp:BMP jpg:JPEG; do
    print_picture "$CASE_DIR/pic.${format%:*}" 600 400 "${format#*:}"
    expect_print "$CASE_DIR/pic.${format%:*}" portrait 0 0 225 150
  done
  ! swaymsg -t get_tree | grep -q '"pid"' || fail "a window was shown"
  # A capture piped in, as a shortcut would run it: grim - | mirablot -. Fitted, the output's
  # 3840 x 2160 pixels become 11200 x 6300 twips.
  store Zoom=1
  grim "$CASE_DIR/screen.png"
  INPUT=<(grim -) run_program -
  finish
  expect_print "$CASE_DIR/screen.png" portrait 0 0 560 315
  # Text brings the question within the bounded wait; closing it is No: status 1, nothing
  # printed, and the process gone within seconds (Qt's Wayland teardown could once hang).
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

case_with_xwayland() {
  start_sway enable
  on_sway
}

case_without_xwayland() {
  start_sway disable
  on_sway
}

run_case "$@"
