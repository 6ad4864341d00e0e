#!/usr/bin/env bash
# Runs the real program under a Wayland compositor (sway with software
# rendering, its one output a window on a virtual X display, which gives it
# a pointer and a keyboard that xdotool drives) with sway's own panel,
# swaybar, as the StatusNotifierItem watcher and host on a D-Bus session of
# its own,
# and drives it as a user would: the dialog appears (a screenshot is kept),
# taps and the menu on the panel's icon, the caption's OK and close buttons,
# Enter and Escape, a second start that hands over its activation token, an
# activation token provided before a tap (as KDE's panel does), and the
# compositor going away.
#
#   wayland_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE ACTIVATION_TOKEN
#
# sway refuses to run as root; run as root, the session (compositor, bus,
# program and every client) runs as the user nobody, from copies it can
# read. Each check prints one PASS or FAIL line; the exit status is the
# number of failed checks (capped), 0 when all pass.
set -uo pipefail

usage="usage: wayland_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE ACTIVATION_TOKEN"
program=${1:?$usage}
artifacts=${2:?$usage}
make_status_tree=${3:?$usage}
token_tool=${4:?$usage}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/end_to_end/x_session.sh
source "$here/x_session.sh"
# shellcheck source=tests/end_to_end/harness.sh
source "$here/harness.sh"

PYTHON=/usr/bin/python3
SESSION_USER=nobody
SCREEN=800x600
# wtype's virtual keyboard is new to the seat each time; a key sent at once
# is lost while the compositor sets it up.
KEY_DELAY_MS=300
# swaybar's tray: icons at the bar's right end, this far from its edges.
TRAY_PADDING=2

require_tools() {
  local missing=() tool
  for tool in Xvfb xdotool sway swaymsg grim wtype weston-clickdot dbus-daemon setpriv convert "$PYTHON"; do
    command -v "$tool" > /dev/null || missing+=("$tool")
  done
  "$PYTHON" -c 'import dbus, gi' 2> /dev/null || missing+=(python3-dbus python3-gi)
  [[ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so ||
     -n "$(find /usr/lib -path '*qt6/plugins/platforms/libqwayland-generic.so' -print -quit 2> /dev/null)" ]] ||
    missing+=(qt6-wayland)
  if ((${#missing[@]})); then
    fail "tools present (missing: ${missing[*]}; scripts/setup installs them)"
    exit 1
  fi
}

# as_user COMMAND...: COMMAND as the session's user (as is, unless root).
# AS_USER is the prefix itself, for commands that must stay one process
# (the program's pid) or run under timeout.
AS_USER=()
if ((EUID == 0)); then
  AS_USER=(setpriv --reuid="$SESSION_USER" --regid="$(id -g "$SESSION_USER")" --clear-groups env)
fi
as_user() { "${AS_USER[@]}" "$@"; }

# prepare_session: the copies and folders the session's user needs.
prepare_session() {
  chmod 755 "$session_dir"
  mkdir -p "$session_dir/home" "$session_dir/work"
  mkdir -m 700 "$session_dir/runtime"
  install -m 755 "$program" "$session_dir/velorwind"
  install -m 755 "$token_tool" "$session_dir/activation_token"
  install -m 644 "$here/sni_desktop.py" "$session_dir/sni_desktop.py"
  "$make_status_tree" "$session_dir/tree" > /dev/null || return 1
  chmod -R a+rX "$session_dir/tree"
  if ((EUID == 0)); then
    chown "$SESSION_USER" "$session_dir/home" "$session_dir/work" "$session_dir/runtime"
    AS_USER+=(HOME="$session_dir/home")
  fi
  export XDG_RUNTIME_DIR=$session_dir/runtime
  # The sanitizers' suppressions, where a build names them, must be readable
  # by the session's user too.
  if [[ "${LSAN_OPTIONS:-}" =~ suppressions=([^:]+) && -r "${BASH_REMATCH[1]}" ]]; then
    install -m 644 "${BASH_REMATCH[1]}" "$session_dir/lsan.supp"
    export LSAN_OPTIONS=${LSAN_OPTIONS/"${BASH_REMATCH[1]}"/$session_dir/lsan.supp}
    # The whole stack of every allocation, through the graphics driver that
    # Mesa unloads, so that the suppressions can tell whose a leak is.
    export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0
  fi
  : > "$session_dir/program.log"
  : > "$session_dir/panel.out"
  chmod 666 "$session_dir/program.log" "$session_dir/panel.out"
}

# --- The session: bus, compositor and its panel ------------------------------------------

start_bus() {
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
  "${AS_USER[@]}" dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" \
    > /dev/null 2>&1 &
  keep_pid $!
  wait_for 10 test -S "$XDG_RUNTIME_DIR/bus"
}

# sni_desktop.py asks swaybar's watcher, and calls the item as other panels
# do.
panel() { bounded "${AS_USER[@]}" "$PYTHON" "$session_dir/sni_desktop.py" "$@" 2>> "$session_dir/panel.out"; }
one_item() { ITEM=$(panel items); [[ -n "$ITEM" && $(wc -l <<< "$ITEM") -eq 1 ]]; }
no_item() { [[ -z "$(panel items)" ]]; }

start_compositor() {
  cat > "$session_dir/sway.conf" << CONFIG
output * resolution $SCREEN position 0 0
xwayland disable
default_border none
default_floating_border none
# A compositor that honours activation tokens: the desktops people use
# bring a window to the front for a valid token.
focus_on_window_activation focus
bar {
  position bottom
  status_command while :; do sleep 3600; done
  tray_output *
  tray_padding $TRAY_PADDING
}
CONFIG
  "${AS_USER[@]}" env DISPLAY="$DISPLAY" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" WLR_BACKENDS=x11 WLR_X11_OUTPUTS=1 WLR_RENDERER=pixman \
    sway -c "$session_dir/sway.conf" > "$session_dir/sway.log" 2>&1 &
  SWAY_PID=$!
  keep_pid "$SWAY_PID"
  wait_for 10 compositor_ready || { note "sway: $(tail -n3 "$session_dir/sway.log")"; return 1; }
}

compositor_ready() {
  WAYLAND_DISPLAY=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'wayland-[0-9]*' ! -name '*.lock' \
                    -printf '%f\n' 2> /dev/null | head -n1)
  SWAYSOCK=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'sway-ipc.*.sock' -print 2> /dev/null | head -n1)
  export WAYLAND_DISPLAY SWAYSOCK
  [[ -n "$WAYLAND_DISPLAY" && -n "$SWAYSOCK" ]] && as_user swaymsg -t get_version > /dev/null 2>&1
}

stop_compositor() { end_process "$SWAY_PID"; }

# --- What the compositor shows and how the user acts on it ---------------------

# window_facts: each mapped window, one line: focused (0/1), x, y, width,
# height, app id, title.
window_facts() {
  as_user swaymsg -t get_tree 2> /dev/null | "$PYTHON" -c '
import json, sys
def walk(node):
    if node.get("pid") and node.get("visible", True):
        r, w = node["rect"], node["window_rect"]
        print(int(bool(node.get("focused"))), r["x"] + w["x"], r["y"] + w["y"],
              w["width"], w["height"], node.get("app_id") or "-", node.get("name") or "")
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}

dialog_facts() {
  local focused x y width height app title
  window_facts | while read -r focused x y width height app title; do
    [[ "$title" == "$DIALOG_TITLE" ]] && echo "$focused $x $y $width $height $app $title"
  done
  return 0
}

the_visible_dialog() { DIALOG=$(dialog_facts); [[ -n "$DIALOG" && $(wc -l <<< "$DIALOG") -eq 1 ]]; }
dialog_hidden() { [[ -z "$(dialog_facts)" ]]; }
dialog_in_front() { the_visible_dialog && [[ "$DIALOG" == 1\ * ]]; }
other_in_front() { window_facts | grep -q '^1 .* org.freedesktop.weston.wayland-clickdot '; }

# The x_session helpers below read a window's place through geometry and
# its pixels through screenshot, and click through click_at: here they ask
# the compositor. A window is named by its line of facts.
geometry() {
  local focused app
  read -r focused X Y WIDTH HEIGHT app _ <<< "$1"
  [[ -n "$HEIGHT" ]]
}

screenshot() {
  geometry "$1" || return 1
  as_user grim -g "$X,$Y ${WIDTH}x$HEIGHT" "$session_dir/work/shot.png" 2> /dev/null &&
    cp "$session_dir/work/shot.png" "$2"
}

# The output's window sits at the X screen's corner: the compositor's
# coordinates are the X display's.
click_at() {
  local wait_ms=$((last_click_ms + TAP_SPACING_MS - $(now_ms)))
  ((wait_ms <= 0)) || sleep "$(printf '0.%03d' "$wait_ms")"
  bounded xdotool mousemove "$1" "$2" click "${3:-1}"
  last_click_ms=$(now_ms)
}

# tap_panel_icon [BUTTON]: a click on the one icon of swaybar's tray, at the
# bar's right end; the bar's height is what the workspace lacks.
tap_panel_icon() {
  local area bar side
  area=$(as_user swaymsg -t get_workspaces 2> /dev/null |
         "$PYTHON" -c 'import json, sys; print(json.load(sys.stdin)[0]["rect"]["height"])') || return 1
  bar=$((${SCREEN#*x} - area))
  side=$((bar - 2 * TRAY_PADDING))
  ((side > 0)) || { note "no bar"; return 1; }
  click_at $((${SCREEN%x*} - TRAY_PADDING - side / 2 - 1)) $((${SCREEN#*x} - bar / 2)) "${1:-1}"
}

# The menu the icon's ContextMenu opens: a window of the program's own.
menu_shown() { window_facts | grep -q ' velorwind Velorwind$'; }

press_key() { as_user wtype -s "$KEY_DELAY_MS" -k "$1"; }

new_token() { TOKEN=$(as_user "$session_dir/activation_token" velorwind) && [[ -n "$TOKEN" ]]; }

program_environment() {
  PROGRAM_COMMAND=("${AS_USER[@]}" env -u DISPLAY QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$WAYLAND_DISPLAY"
                   XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
                   VELORWIND_SYSFS="$session_dir/tree/sys" VELORWIND_PROCFS="$session_dir/tree/proc"
                   "$@" "$session_dir/velorwind")
}

# second_start [TOKEN]: the program started again, with that activation
# token; it must end with 0 at once.
second_start() {
  local status
  if [[ -n "${1:-}" ]]; then program_environment XDG_ACTIVATION_TOKEN="$1"; else program_environment; fi
  timeout "$EXIT_SECONDS" "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1
  status=$?
  program_environment
  note "second start ended with $status"
  ((status == 0))
}

# --- Checks ------------------------------------------------------------------------

check_first_start() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" dialog_in_front || { note "windows: $(window_facts | tr '\n' ';')"; return 1; }
  wait_for "$REACTION_SECONDS" one_item || { note "no item on the panel: $(tail -n3 "$session_dir/panel.out")"; return 1; }
}

check_screenshot() {
  local file=$artifacts/wayland.png
  wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$session_dir/shot.png" ||
    { note "no gauges drawn"; return 1; }
  cp "$session_dir/shot.png" "$file"
  note "saved $file ($(identify -format '%wx%h' "$file" 2> /dev/null))"
}

check_caption_ok() {
  press_caption_ok "$DIALOG" || return 1
  wait_for "$REACTION_SECONDS" dialog_hidden || { note "still visible"; return 1; }
  alive "$FIRST"
}

check_second_start_shows() {
  new_token || { note "the compositor gave no token"; return 1; }
  second_start "$TOKEN" || return 1
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "not shown in front"; return 1; }
}

check_enter_hides() {
  press_key Return && wait_for "$REACTION_SECONDS" dialog_hidden
}

check_tap_shows() {
  tap_panel_icon && wait_for "$REACTION_SECONDS" dialog_in_front
}

check_tap_hides() {
  tap_panel_icon && wait_for "$REACTION_SECONDS" dialog_hidden && tap_panel_icon &&
    wait_for "$REACTION_SECONDS" dialog_in_front
}

check_menu_ends_and_restart() {
  tap_panel_icon 3 && wait_for "$REACTION_SECONDS" menu_shown || { note "no menu: $(window_facts | tr "\n" ";")"; return 1; }
  local menu
  menu=$(window_facts | grep ' velorwind Velorwind$')
  geometry "$menu" || return 1
  # Two entries of one height: 終了 is the second.
  click_at $((X + WIDTH / 2)) $((Y + 3 * HEIGHT / 4))
  ends_with_zero "$FIRST" || return 1
  wait_for "$REACTION_SECONDS" no_item || { note "the icon is left on the panel"; return 1; }
  check_first_start
}

# another_window: a second program in front of the dialog; sets OTHER_PID.
another_window() {
  "${AS_USER[@]}" weston-clickdot > /dev/null 2>&1 &
  OTHER_PID=$!
  keep_pid "$OTHER_PID"
  wait_for "$REACTION_SECONDS" other_in_front
}

check_second_start_raises() {
  another_window || { note "no other window in front"; return 1; }
  new_token || return 1
  second_start "$TOKEN" || return 1
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "still behind"; return 1; }
}

check_panel_token_raises() {
  as_user swaymsg '[app_id="org.freedesktop.weston.wayland-clickdot"] focus' > /dev/null
  wait_for "$REACTION_SECONDS" other_in_front || { note "the other window did not come back"; return 1; }
  new_token || return 1
  panel call "$ITEM" ProvideXdgActivationToken "$TOKEN" && tap_panel_icon || return 1
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "still behind"; return 1; }
  end_process "$OTHER_PID"
}

check_hidden_sleeps() {
  press_key Return && wait_for "$REACTION_SECONDS" dialog_hidden || return 1
  sleeps_when_idle "$FIRST"
}

check_escape_ends() {
  tap_panel_icon && wait_for "$REACTION_SECONDS" dialog_in_front || return 1
  press_key Escape || return 1
  collect_exit "$FIRST" || { note "still running"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0)) && wait_for "$REACTION_SECONDS" no_item
}

check_caption_close_ends() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" dialog_in_front || return 1
  press_caption_close "$DIALOG" || return 1
  collect_exit "$FIRST" || { note "still running"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0))
}

check_compositor_goes_away() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" dialog_in_front || return 1
  stop_compositor
  collect_exit "$FIRST" || { note "still running without its compositor"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0 || EXIT_CODE == 1))
}

main() {
  require_tools
  [[ -x "$program" && -x "$token_tool" ]] || { fail "program and token tool exist"; exit 1; }
  mkdir -p "$artifacts"
  rm -f "$artifacts/wayland.png"
  x_session_begin
  prepare_session || { fail "session folder prepared"; exit 1; }
  if ! start_display "$SCREEN" || ! start_bus || ! start_compositor; then
    fail "display, bus and compositor"
    exit 1
  fi
  program_environment
  note "sway on $WAYLAND_DISPLAY ($SCREEN) with swaybar, as $(as_user id -un)"

  if verdict "first start shows the dialog in front; swaybar shows its icon" check_first_start; then
    verdict "screenshot of the dialog with its gauges drawn" check_screenshot
    verdict "caption OK hides the dialog; the program stays" check_caption_ok
    verdict "second start with its token exits 0 and shows the hidden dialog in front" \
      check_second_start_shows
    verdict "Enter hides the dialog" check_enter_hides
    verdict "a tap on the icon shows the hidden dialog in front" check_tap_shows
    verdict "a tap on the icon hides the dialog in front; the next shows it" check_tap_hides
    verdict "right click: the menu's 終了 ends the program with 0; it starts again" \
      check_menu_ends_and_restart
    verdict "second start with its token brings a covered dialog to the front" \
      check_second_start_raises
    verdict "a token provided, then a tap, brings a covered dialog to the front" \
      check_panel_token_raises
    verdict "hidden by Enter, the program never wakes in ${IDLE_SECONDS} s" check_hidden_sleeps
    verdict "Escape ends the program with 0 and removes its item" check_escape_ends
  fi
  verdict "caption close ends the program with 0" check_caption_close_ends
  verdict "the compositor goes away: the program ends with 0 or 1" check_compositor_goes_away
  report_and_exit
}

main
