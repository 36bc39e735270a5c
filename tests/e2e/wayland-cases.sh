#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end on real Wayland compositors, headless, on the shared harness's print scheduler:
# sway (wlroots) and KWin, with XWayland or without, and GNOME Shell, through the same cases.
# Mirablot reads sway's and KWin's clipboard through data control, without a window (X11
# clients get it only while one of theirs has focus), and GNOME's through XWayland's.
#
#   wayland-cases.sh sway_with_xwayland | sway_without_xwayland | kwin_with_xwayland |
#                    kwin_without_xwayland | gnome_shell
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# compositor NAME COMMAND...: in a process group of its own, as nobody after ROOT_FIRST (as root).
# Once ready it writes "WAYLAND_DISPLAY OTHER DISPLAY" to the session file (DISPLAY unset if none).
compositor() {
  setsid "${ROOT_FIRST[@]}" "${AS_NOBODY[@]}" env -i PATH="$DESKTOP_DIR:/usr/bin:/bin" HOME="$HOME" \
    XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" "${@:2}" >"$CASE_DIR/$1.log" 2>&1 &
  on_exit eval "kill -- -$!; wait $!"
  wait_for 60 test -s "$XDG_RUNTIME_DIR/session" || fail "$1 did not start: $(tail -n 5 "$CASE_DIR/$1.log")"
  read -r WAYLAND_DISPLAY SESSION DISPLAY <"$XDG_RUNTIME_DIR/session"
  export WAYLAND_DISPLAY DISPLAY  # the harness's Xvfb is not this desktop
  [[ -n $DISPLAY ]] || unset DISPLAY
}

# start_sway SCALE enable|disable: sway on a 1920 x 1080 headless output at SCALE.
start_sway() {
  desktop_as_nobody
  cat >"$DESKTOP_DIR/sway.conf" <<CONF
xwayland $2
output HEADLESS-1 resolution 1920x1080 scale $1
exec sh -c 'echo "\$WAYLAND_DISPLAY \$SWAYSOCK \${DISPLAY:-}" >$XDG_RUNTIME_DIR/session'
CONF
  compositor sway WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$DESKTOP_DIR/sway.conf"
  export SWAYSOCK=$SESSION
  # A keyboard for the windows: Qt takes a seat's keyboard when it starts, so it must exist
  # before Mirablot does (wtype alone adds one only for its own keystrokes).
  background wtype -s 3600000
  wait_for 15 sh -c 'swaymsg -t get_seats | grep -q "\"capabilities\": 2"' || fail "the virtual keyboard did not appear"
}

# Each desktop's hooks: DESKTOP_copy TYPE FILE owns the clipboard, DESKTOP_has and DESKTOP_close
# TITLE find and close a window as the compositor does, DESKTOP_press TITLE BUTTON KEYS... too.
sway_copy() {
  TMPDIR=$CASE_DIR wl-copy --foreground --type "$1" <"$2" &
  HELPER_PIDS+=($!)
  wait_for 10 sh -c "wl-paste --list-types | grep -qx '$1'" || fail "wl-copy did not take the clipboard"
}
sway_has() { swaymsg -t get_tree | grep -qF "\"name\": \"$1\""; }
sway_close() { swaymsg "[title=\"^$1\$\"] kill" >/dev/null; }
sway_press() { wtype "${@:3}"; }

# start_kwin SCALE [--xwayland]: KWin on a 1024 x 768 virtual output at SCALE, on a session
# bus of its own. Its binary's file capability makes an exec by nobody fail; a copy runs.
start_kwin() {
  desktop_as_nobody
  cp /usr/bin/kwin_wayland "$DESKTOP_DIR/"
  # Started once it (and its XWayland) is ready, split as a shell would.
  compositor kwin LIBGL_ALWAYS_SOFTWARE=1 dbus-run-session -- kwin_wayland --virtual --scale "$1" "${@:2}" \
    "sh -c 'echo \$WAYLAND_DISPLAY \$DBUS_SESSION_BUS_ADDRESS \$DISPLAY >\$XDG_RUNTIME_DIR/session'"
  # Its buttons are pressed as a screen reader would: it offers no virtual keyboard.
  export DBUS_SESSION_BUS_ADDRESS=$SESSION QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# kwin_runner METHOD ARGS...: KWin's window search (its KRunner interface). Match "TITLE" finds
# a window, Match "TITLE close" the way to close it, which Run takes.
kwin_runner() { "${AS_NOBODY[@]}" gdbus call --session --dest org.kde.KWin --object-path /WindowsRunner \
  --method "org.kde.krunner1.$1" "${@:2}"; }
kwin_copy() { sway_copy "$@"; }
kwin_has() { kwin_runner Match "$1" | grep -qF ", '$1', "; }
kwin_close() { kwin_runner Run "$(kwin_runner Match "$1 close" | grep -o '[0-9]_{[-0-9a-f]*}')" "" >/dev/null; }
kwin_press() { wait_for 20 buttons "$1" "$2" || fail "no button $2 in \"$1\""; }

# start_gnome 1: the shell, with XWayland, on a 1280 x 800 virtual monitor. It needs a system
# bus (UPower, logind): one of its own, in a mount namespace of its own. In unsafe mode, it owns
# the clipboard (St.Clipboard, through Eval) and closes windows: its seat has no keyboard. It
# starts without its accessibility bridge, whose set-up would hold its start on that bus.
start_gnome() {
  desktop_as_nobody
  ROOT_FIRST=(unshare --mount --propagation private bash -c '
    mount -t tmpfs tmpfs /run/systemd 2>/dev/null; mount -t tmpfs tmpfs /run/dbus
    dbus-daemon --system --fork --print-pid=3 3>"$1/system-bus.pid" || exit 1
    exec "${@:2}"' - "$DESKTOP_DIR")
  on_exit eval 'kill "$(cat "$DESKTOP_DIR/system-bus.pid")"'
  compositor gnome NO_AT_BRIDGE=1 dbus-run-session -- sh -c 'echo "wayland-0 $DBUS_SESSION_BUS_ADDRESS" >"$XDG_RUNTIME_DIR/session"
    exec gnome-shell --headless --wayland --unsafe-mode --virtual-monitor 1280x800'
  export DBUS_SESSION_BUS_ADDRESS=$SESSION QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  # A fresh machine's first shell builds its caches first: that took CI over 30 s.
  wait_for 90 shell_eval '"up"' || fail "GNOME Shell did not start: $(tail -n 5 "$CASE_DIR/gnome.log")"
  DISPLAY=$(shell_eval 'GLib.getenv("DISPLAY")' | tr -d '"')
  XAUTHORITY=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*")
  export DISPLAY XAUTHORITY
}

# shell_eval JS: the value of the JavaScript in the shell, as JSON; fails when it throws.
shell_eval() {
  [[ $("${AS_NOBODY[@]}" gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.gnome.Shell.Eval "const {GLib, St} = imports.gi; $1") =~ ^\(true,\ \'(.*)\'\)$ ]] &&
    echo "${BASH_REMATCH[1]}"
}

gnome_copy() {
  chmod a+r "$2"
  shell_eval "St.Clipboard.get_default().set_content(St.ClipboardType.CLIPBOARD, '$1',
    new GLib.Bytes(GLib.file_get_contents('$2')[1]))" >/dev/null || fail "the shell did not take the clipboard"
}
# A window the shell has not shown yet can miss its close: only a shown one counts.
gnome_has() { [[ $(shell_eval "global.display.list_all_windows().some(w => w.title === '$1' && !w.is_hidden())") == true ]]; }
gnome_close() { shell_eval "global.display.list_all_windows().filter(w => w.title === '$1').forEach(w => w.delete(0))"; }
gnome_press() { kwin_press "$@"; }

copy_picture() { local type=image/${1##*.}; "${DESKTOP}_copy" "${type/jpg/jpeg}" "$1"; }

copy_text() { printf '%s' "$1" >"$CASE_DIR/text" && "${DESKTOP}_copy" text/plain "$CASE_DIR/text"; }

wait_for_window() { wait_for 20 "${DESKTOP}_has" "$1" || fail "no window titled \"$1\": $(cat "$CASE_DIR/stderr")"; }

# on_wayland DESKTOP SCALE [OPTIONS...]: the cases on the desktop, started at SCALE.
on_wayland() {
  DESKTOP=$1
  "start_$1" "${@:2}"
  # Pictures print without a window, a PNG with an alpha channel decoded; at 1x, 600 x 400
  # pixels are 9000 x 6000 twips.
  local format run took
  for format in png:RGBA bmp:BMP jpg:JPEG; do
    print_picture "$CASE_DIR/pic.${format%:*}" 600 400 "${format#*:}"
    expect_print "$CASE_DIR/pic.${format%:*}" portrait 0 0 $((450 / $2)) $((300 / $2))
  done
  if [[ $DESKTOP == sway ]]; then
    # grim - | mirablot -, as a shortcut would run it: 3840 x 2160 pixels fitted, 11200 x 6300.
    store Zoom=1
    grim "$CASE_DIR/screen.png"
    INPUT=<(grim -) run_program -
    finish
    expect_print "$CASE_DIR/screen.png" portrait 0 0 560 315
  fi
  # GNOME without XWayland (DISPLAY unset) gives a windowless program no clipboard: the same.
  [[ $DESKTOP != gnome ]] || RUN_AS+=(env -u DISPLAY)
  # Text brings the question; the compositor closing it is No, and the process is gone within
  # seconds (Qt's Wayland teardown could once hang).
  copy_text "not a picture"
  for run in 1 2 3 4 5; do
    run_program
    wait_for_window "Mirablot Error"
    took=$(elapsed_ms)
    "${DESKTOP}_close" "Mirablot Error"
    finish 1 10
    expect_jobs 0
    expect_error 481
    ((took < 10000)) || fail "the question took $took ms"
  done
  # Yes opens the settings window; OK, its default button, saves.
  rm -rf "$XDG_CONFIG_HOME/Quillery"  # root's, and nothing stored
  run_program
  wait_for_window "Mirablot Error"
  "${DESKTOP}_press" "Mirablot Error" Yes -M alt y -m alt
  wait_for_window Quillery
  "${DESKTOP}_press" Quillery OK -k Return
  expect_settings_stored 1 "Orientation=0 PositionH=0 PositionV=0 Space0=0 Space1=0 SpaceMM=20 Zoom=0"
}

case_sway_with_xwayland() { on_wayland sway 2 enable; }

case_sway_without_xwayland() { on_wayland sway 2 disable; }

case_kwin_with_xwayland() { on_wayland kwin 1 --xwayland; }

case_kwin_without_xwayland() { on_wayland kwin 2; }

case_gnome_shell() { on_wayland gnome 1; }

run_case "$@"
