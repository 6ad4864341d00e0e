#!/usr/bin/env bash
# Runs the real program on virtual X displays and drives it as a user would:
# first start, the tray icon's taps and menu, the caption's OK and close
# buttons, a second start, two starts at once, a desktop scaled to 200 %, a
# desktop without a tray, a tray that starts late, restarts or runs twice, a
# display that goes away, no display at all, and a screenshot of each
# layout and of the scaled tray.
#
#   end_to_end_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE
#
# Each check prints one PASS or FAIL line; the exit status is the number of
# failed checks (capped), 0 when all pass. Every wait has a deadline, and
# every process started here ends with the script.
set -uo pipefail

program=${1:?usage: end_to_end_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE}
artifacts=${2:?usage: end_to_end_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE}
make_status_tree=${3:?usage: end_to_end_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE}
# shellcheck source=tests/end_to_end/x_session.sh
source "$(dirname "$0")/x_session.sh"

# shellcheck source=tests/end_to_end/harness.sh
source "$(dirname "$0")/harness.sh"

require_tools() {
  local missing=() tool
  for tool in Xvfb trayer xdotool xwininfo xmessage import convert identify compare rsvg-convert ps; do
    command -v "$tool" > /dev/null || missing+=("$tool")
  done
  if ((${#missing[@]})); then
    fail "tools present (missing: ${missing[*]}; scripts/setup installs them)"
    exit 1
  fi
}

# open_icon_menu: a right click on the icon maps the program's menu.
open_icon_menu() {
  tap_tray_icon 3 || return 1
  wait_for "$REACTION_SECONDS" menu_window || { note "no menu appeared"; return 1; }
}

# --- A desktop with a tray host, wide screen ----------------------------------

check_first_start() {
  start_instance
  FIRST=$PID
  if ! wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog; then
    note "visible dialogs: $(visible_dialog_count); log: $(tail -n3 "$session_dir/program.log")"
    return 1
  fi
  # The icon is added before the dialog is shown; the host embeds it a moment
  # later. Two icons never count as one; a late second one fails the checks
  # below, which count again.
  wait_for "$REACTION_SECONDS" tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
  alive "$FIRST"
}

check_wide_layout() {
  save_layout wide || return 1
  ((SHOT_WIDTH > SHOT_HEIGHT)) || { note "a wide screen gave a tall dialog"; return 1; }
}

# check_exposed_same: the dialog as the refresh put it on screen, and again
# once a window over the whole screen came and went (xrefresh), when Qt puts
# it there from its own copy of the window: the same pixels, gauges and all.
check_exposed_same() {
  local drawn=$session_dir/drawn.png exposed=$session_dir/exposed.png
  wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$drawn" || { note "no gauges drawn"; return 1; }
  # The labels are painted a moment after the gauges: a settled picture.
  wait_for "$REACTION_SECONDS" settled_picture "$drawn" || { note "the picture never settled"; return 1; }
  xrefresh || { note "xrefresh failed"; return 1; }
  wait_for "$REACTION_SECONDS" same_as "$drawn" "$exposed" && return 0
  cp "$drawn" "$artifacts/$1-drawn.png"
  cp "$exposed" "$artifacts/$1-exposed.png"
  note "pixels differ once exposed; pictures in $artifacts/$1-drawn.png and $1-exposed.png"
  return 1
}
settled_picture() {
  cp "$1" "$1.before" && screenshot "$DIALOG" "$1" && same_pixels "$1.before" "$1"
}
same_as() { screenshot "$DIALOG" "$2" && same_pixels "$1" "$2"; }
same_pixels() { [[ $(bounded compare -metric AE "$1" "$2" null: 2>&1) == 0 ]]; }

check_tap_hides() {
  # Shown with the start-up command, the dialog is the foreground window.
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not in front"; return 1; }
  tap_tray_icon && wait_for "$REACTION_SECONDS" dialog_hidden
}

check_tap_shows() {
  tap_tray_icon && wait_for "$REACTION_SECONDS" dialog_in_front
}

check_tap_raises() {
  another_window || { note "could not put another window in front"; return 1; }
  visible_dialog_count_is 1 || return 1
  tap_tray_icon || return 1
  local result=0
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog hidden or not focused"; result=1; }
  stacked_above "$DIALOG" "$OTHER" || { note "dialog still under the other window"; result=1; }
  end_process "$OTHER_PID"
  return "$result"
}

check_ok_hides() {
  press_caption_ok "$DIALOG" || return 1
  wait_for "$REACTION_SECONDS" dialog_hidden || { note "still visible"; return 1; }
  alive "$FIRST" || { note "the program ended"; return 1; }
  tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
}

check_second_start() {
  local status
  timeout "$EXIT_SECONDS" "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1
  status=$?
  note "second start ended with $status"
  ((status == 0)) || return 1
  # The first instance's own dialog comes back, in front.
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not shown in front"; return 1; }
  alive "$FIRST" || return 1
  tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
  [[ $(all_dialogs | wc -l) -eq 1 ]] || { note "dialog windows: $(all_dialogs | wc -l)"; return 1; }
}

check_close_ends() {
  press_caption_close "$DIALOG" || return 1
  ends_with_zero "$FIRST" || return 1
  wait_for "$REACTION_SECONDS" tray_icon_count_is 0 || { note "tray icons: $(tray_icon_count)"; return 1; }
  [[ -z "$(all_dialogs)" ]] || { note "a dialog window is left"; return 1; }
}

check_simultaneous_starts() {
  local first second loser winner
  start_instance; first=$PID
  start_instance; second=$PID
  wait_for "$FIRST_WINDOW_SECONDS" one_of_two_ended "$first" "$second" ||
    { note "both are still running"; return 1; }
  if process_gone "$first"; then loser=$first winner=$second; else loser=$second winner=$first; fi
  collect_exit "$loser"
  note "one start ended with exit code $EXIT_CODE"
  ((EXIT_CODE == 0)) || return 1
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "visible dialogs: $(visible_dialog_count)"; return 1; }
  wait_for "$REACTION_SECONDS" tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
  alive "$winner" || { note "both ended"; return 1; }
  # The survivor closes cleanly, as any instance would.
  press_caption_close "$DIALOG" || return 1
  collect_exit "$winner" || return 1
  ((EXIT_CODE == 0)) || { note "the survivor ended with $EXIT_CODE"; return 1; }
}

# --- A desktop without a tray host, tall screen --------------------------------

check_without_tray() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
}

check_tall_layout() {
  save_layout tall || return 1
  ((SHOT_HEIGHT > SHOT_WIDTH)) || { note "a tall screen gave a wide dialog"; return 1; }
}

check_without_tray_closes() {
  # The gauges drawn for the screenshot mean a refresh tick has passed.
  alive "$FIRST" || { note "the program ended without a tray"; return 1; }
  visible_dialog_count_is 1 || return 1
  press_caption_close "$DIALOG" || return 1
  collect_exit "$FIRST" || { note "still running"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0))
}

# --- A desktop at scale 2 ----------------------------------------------------------

# The program's icon drawing, which the tray must show.
drawing=$(dirname "$0")/../../resources/app.svg

# at_scale FACTOR: the program drawn FACTOR times as large, as on a HiDPI
# screen.
at_scale() {
  PROGRAM_COMMAND=("${PROGRAM_COMMAND[@]:0:${#PROGRAM_COMMAND[@]}-1}" QT_SCALE_FACTOR="$1"
                   "${PROGRAM_COMMAND[-1]}")
}

# icon_shows_drawing ICON SIDE: a picture of the icon's window shows the
# icon's drawing at SIDE pixels.
icon_shows_drawing() {
  screenshot "$1" "$session_dir/icon.png" && shows_drawing "$session_dir/icon.png" "$drawing" "$2"
}

# check_tray_picture NAME: the tray draws the icon's drawing at the size of
# the icon's place (scaled down from a larger image at most, never a small
# one stretched up); its picture is saved as ARTIFACT_FOLDER/NAME.png.
check_tray_picture() {
  local icon side result=0
  icon=$(tray_icons | head -n1)
  [[ -n "$icon" ]] && geometry "$icon" || { note "no icon"; return 1; }
  side=$((WIDTH < HEIGHT ? WIDTH : HEIGHT))
  wait_for "$REACTION_SECONDS" icon_shows_drawing "$icon" "$side" || result=1
  note "${DRAWING_DIFFERENCE:-?} % of the drawing at $side pixels differs"
  screenshot "$TRAYER_PANEL" "$artifacts/$1.png" && note "saved $artifacts/$1.png"
  return "$result"
}

# --- A tray that comes late, restarts or runs twice; the icon's menu ----------

check_late_tray() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  sleep "$LATE_TRAY_SECONDS"
  start_tray_host || return 1
  wait_for "$REACTION_SECONDS" tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
}

check_tray_restarts() {
  end_process "$TRAYER_PID"
  start_tray_host || return 1
  wait_for "$REACTION_SECONDS" tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
  alive "$FIRST"
}

# A second tray host on the same display: one icon in all, then and after it
# ends.
check_tray_twice() {
  local second
  trayer --edge top --align right --widthtype request --height 24 > /dev/null 2>&1 &
  second=$!
  keep_pid "$second"
  sleep 1
  all_tray_icon_count_is 1 || { note "icons with two trays: $(all_tray_icon_count)"; return 1; }
  end_process "$second"
  sleep 1
  all_tray_icon_count_is 1 || { note "icons after the second tray ended: $(all_tray_icon_count)"; return 1; }
  alive "$FIRST"
}

check_hidden_program_sleeps() {
  press_caption_ok "$DIALOG" || return 1
  wait_for "$REACTION_SECONDS" dialog_hidden || { note "still visible"; return 1; }
  sleeps_when_idle "$FIRST"
}

check_menu_shows() {
  open_icon_menu || return 1
  choose_menu_entry 0 2 || return 1
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not shown in front"; return 1; }
  tray_icon_count_is 1
}

check_menu_ends() {
  open_icon_menu || return 1
  choose_menu_entry 1 2 || return 1
  ends_with_zero "$FIRST" || return 1
  wait_for "$REACTION_SECONDS" tray_icon_count_is 0 || { note "tray icons: $(tray_icon_count)"; return 1; }
}

# --- Faults of the display ---------------------------------------------------------

# The display server ends under the program: it ends too, cleanly.
check_display_goes_away() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  stop_display
  collect_exit "$FIRST" || { note "still running without its display"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0 || EXIT_CODE == 1))
}

# no_display_run NAME TEXT [VARIABLE=VALUE...]: the program started with
# that environment prints one line, which holds TEXT, and ends with 1.
no_display_run() {
  local output status
  output=$(timeout "$EXIT_SECONDS" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${@:3}" \
           VELORWIND_SYSFS="$session_dir/tree/sys" VELORWIND_PROCFS="$session_dir/tree/proc" \
           XDG_RUNTIME_DIR="$session_dir/runtime" "$program" 2>&1)
  status=$?
  note "$1: exit $status, said: $output"
  ((status == 1)) && [[ $(wc -l <<< "$output") -eq 1 && "$output" == *"$2"* ]]
}

check_no_display() {
  local number=$((RANDOM % 100 + 900))
  no_display_run "nothing set" "neither DISPLAY nor WAYLAND_DISPLAY" &&
    no_display_run "unreachable X display" "\":$number\"" "DISPLAY=:$number" &&
    no_display_run "unreachable Wayland display" "\"velorwind-none\"" "WAYLAND_DISPLAY=velorwind-none"
}

main() {
  require_tools
  [[ -x "$program" ]] || { fail "program $program exists"; exit 1; }
  mkdir -p "$artifacts"
  rm -f "$artifacts"/*.png
  x_session_begin
  "$make_status_tree" "$session_dir/tree" > /dev/null || { fail "status tree written"; exit 1; }
  prepare_runtime_folder
  : > "$session_dir/program.log"

  if ! start_display 800x600 || ! start_tray_host; then fail "display with a tray host"; exit 1; fi
  program_command "$program" "$session_dir/tree"
  note "display $DISPLAY, 800x600, trayer"
  if verdict "first start shows the dialog and one tray icon" check_first_start; then
    verdict "wide screen: wide layout, gauges drawn by the first tick" check_wide_layout
    verdict "exposed again, the dialog shows the same pixels" check_exposed_same exposed
    verdict "tap on the icon while the dialog is in front hides it" check_tap_hides
    verdict "second tap on the icon shows it in front" check_tap_shows
    verdict "tap while another window is in front brings the dialog to the front" \
      check_tap_raises
    verdict "caption OK hides the dialog; program and icon stay" check_ok_hides
    verdict "second start exits 0, shows the first dialog, adds no icon" \
      check_second_start
    verdict "caption close ends the program with 0 and removes the icon" check_close_ends
  fi
  verdict "two starts at once leave one instance; the other exits 0" check_simultaneous_starts
  stop_display

  # A panel twice the usual height, for a screen at 200 %.
  if ! start_display 1600x1200 || ! start_tray_host 48; then fail "display at scale 2 with a tray host"; exit 1; fi
  program_command "$program" "$session_dir/tree"
  at_scale 2
  note "display $DISPLAY, 1600x1200, trayer 48 pixels high, the program at scale 2"
  if verdict "scale 2: first start shows the dialog and one tray icon" check_first_start; then
    verdict "scale 2: the tray shows the icon's drawing at its size" check_tray_picture linux-tray-scale-2
    verdict "scale 2: exposed again, the dialog shows the same pixels" check_exposed_same exposed-scale-2
    verdict "scale 2: the icon's menu: 終了 ends the program with 0 and removes the icon" check_menu_ends
  fi
  stop_display

  start_display 480x640 || { fail "display without a tray host"; exit 1; }
  program_command "$program" "$session_dir/tree"
  note "display $DISPLAY, 480x640, no tray host"
  if verdict "no tray host: the program runs and shows the dialog" check_without_tray; then
    verdict "tall screen: tall layout, gauges drawn by the first tick" check_tall_layout
    verdict "no tray host: still running; caption close ends it with 0" check_without_tray_closes
  fi
  if verdict "a tray started ${LATE_TRAY_SECONDS} s after the program docks the icon" check_late_tray; then
    verdict "a tray killed and started again docks the icon again" check_tray_restarts
    verdict "a second tray host leaves one icon" check_tray_twice
    verdict "hidden by OK after the tray's restart, it never wakes in ${IDLE_SECONDS} s" \
      check_hidden_program_sleeps
    verdict "the icon's menu: 表示 shows the dialog in front" check_menu_shows
    verdict "the icon's menu: 終了 ends the program with 0 and removes the icon" check_menu_ends
  fi
  verdict "the display server goes away: the program ends with 0 or 1" check_display_goes_away
  verdict "no display: one line that names it, exit code 1" check_no_display

  report_and_exit
}

main
