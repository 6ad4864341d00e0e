#!/usr/bin/env bash
# Runs the real program on a virtual X display whose only notification area
# is a StatusNotifierItem panel on a D-Bus session of its own (the watcher
# and host of sni_desktop.py), and drives it as such a panel does: the item
# registers, Activate taps it, ContextMenu and the exported menu offer
# "表示" and "終了", a panel that starts late or restarts gets the item again,
# and the bus or the display going away leaves no crash, hang or busy loop.
#
#   sni_test.sh PROGRAM MAKE_STATUS_TREE
#
# Each check prints one PASS or FAIL line; the exit status is the number of
# failed checks (capped), 0 when all pass.
set -uo pipefail

program=${1:?usage: sni_test.sh PROGRAM MAKE_STATUS_TREE}
make_status_tree=${2:?usage: sni_test.sh PROGRAM MAKE_STATUS_TREE}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/end_to_end/x_session.sh
source "$here/x_session.sh"
# The panel's faults and the bus's end are what these idle checks are
# about; the hidden program's minute of sleep is checked on X11 and Wayland.
IDLE_SECONDS=10
# shellcheck source=tests/end_to_end/harness.sh
source "$here/harness.sh"

# Debian's own Python, which has the D-Bus bindings, whatever else is on PATH.
PYTHON=/usr/bin/python3
desktop=("$PYTHON" "$here/sni_desktop.py")
# The host a panel would show, and the title every item must carry.
ITEM_TITLE=Velorwind

require_tools() {
  local missing=() tool
  for tool in Xvfb xdotool xwininfo xmessage dbus-daemon "$PYTHON" ps; do
    command -v "$tool" > /dev/null || missing+=("$tool")
  done
  "$PYTHON" -c 'import dbus, gi' 2> /dev/null || missing+=(python3-dbus python3-gi)
  if ((${#missing[@]})); then
    fail "tools present (missing: ${missing[*]}; scripts/setup installs them)"
    exit 1
  fi
}

stop_bus() { end_process "$BUS_PID"; }

# start_panel: the watcher and host; sets PANEL_PID.
start_panel() {
  "${desktop[@]}" serve "$session_dir/panel.log" >> "$session_dir/panel.out" 2>&1 &
  PANEL_PID=$!
  keep_pid "$PANEL_PID"
  wait_for 10 grep -q serving "$session_dir/panel.log"
}

stop_panel() {
  : > "$session_dir/panel.log"
  end_process "$PANEL_PID"
}

panel() { bounded "${desktop[@]}" "$@" 2>> "$session_dir/panel.out"; }

# The one item the panel holds; sets ITEM.
one_item() { ITEM=$(panel items); [[ -n "$ITEM" && $(wc -l <<< "$ITEM") -eq 1 ]]; }
no_item() { [[ -z "$(panel items)" ]]; }

activate() { panel call "$ITEM" Activate 0 0; }

# The program on the test's bus: the X session's command, with the bus.
program_on_bus() {
  program_command "$program" "$session_dir/tree"
  PROGRAM_COMMAND=("${PROGRAM_COMMAND[@]:0:${#PROGRAM_COMMAND[@]}-1}"
                   DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" "$program")
}

# --- The panel comes after the program --------------------------------------------

check_late_panel() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  sleep "$LATE_TRAY_SECONDS"
  start_panel || { note "the panel did not start"; return 1; }
  wait_for "$REACTION_SECONDS" one_item || { note "items: $(panel items | tr '\n' ' ')"; return 1; }
  note "item $ITEM"
}

check_item_looks() {
  local title tip icon
  title=$(panel get "$ITEM" Title)
  tip=$(panel get "$ITEM" ToolTip)
  icon=$(panel get "$ITEM" IconPixmap)
  note "title '$title'; tool tip '$tip'; images '$icon'"
  [[ "$title" == "$ITEM_TITLE" && "$tip" == *"$DIALOG_TITLE"* ]] || return 1
  # The sides panels draw an item at, each as its own image (four bytes a
  # pixel), so that no panel stretches a small one up.
  [[ "$icon" == "16 16 <1024 bytes> 22 22 <1936 bytes> 24 24 <2304 bytes> 32 32 <4096 bytes> 48 48 <9216 bytes>" ]]
}

check_activate_toggles() {
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "the dialog was not in front first"; return 1; }
  local round
  for round in 1 2; do
    activate && wait_for "$REACTION_SECONDS" dialog_hidden || { note "round $round: not hidden"; return 1; }
    activate && wait_for "$REACTION_SECONDS" dialog_in_front || { note "round $round: not shown in front"; return 1; }
  done
}

check_activate_raises() {
  another_window || { note "could not put another window in front"; return 1; }
  activate || return 1
  local result=0
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog hidden or not focused"; result=1; }
  stacked_above "$DIALOG" "$OTHER" || { note "dialog still under the other window"; result=1; }
  end_process "$OTHER_PID"
  return "$result"
}

check_context_menu() {
  local entries
  entries=$(panel menu "$ITEM" | tr '\n' ' ')
  note "exported menu: $entries"
  [[ "$entries" == "表示 終了 " ]] || return 1
  panel call "$ITEM" ContextMenu 200 200 || return 1
  wait_for "$REACTION_SECONDS" menu_window || { note "no menu appeared"; return 1; }
  bounded xdotool key Escape
  # Closed, the menu leaves the dialog in front as it was.
  wait_for "$REACTION_SECONDS" no_menu_window || { note "the menu stayed"; return 1; }
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "the dialog lost the focus"; return 1; }
}

no_menu_window() { ! menu_window; }

check_menu_shows() {
  activate && wait_for "$REACTION_SECONDS" dialog_hidden || { note "not hidden"; return 1; }
  panel click "$ITEM" 表示 || return 1
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "not shown in front"; return 1; }
}

check_panel_restarts() {
  stop_panel
  start_panel || return 1
  wait_for "$REACTION_SECONDS" one_item || { note "items: $(panel items | tr '\n' ' ')"; return 1; }
  activate && wait_for "$REACTION_SECONDS" dialog_hidden
}

# A second watcher cannot take the name; the item stays one.
check_panel_twice() {
  local second
  "${desktop[@]}" serve "$session_dir/second-panel.log" >> "$session_dir/panel.out" 2>&1 &
  second=$!
  keep_pid "$second"
  wait_for "$REACTION_SECONDS" process_gone "$second" || end_process "$second"
  forget_pid "$second"
  one_item && alive "$FIRST"
}

check_idle_after_panel_faults() { sleeps_when_idle "$FIRST"; }

check_menu_ends() {
  panel click "$ITEM" 終了 || return 1
  ends_with_zero "$FIRST" || return 1
  wait_for "$REACTION_SECONDS" no_item || { note "the item is left on the panel"; return 1; }
}

# --- The bus and the display go away -------------------------------------------

check_bus_goes_away() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  wait_for "$REACTION_SECONDS" one_item || return 1
  end_process "$PANEL_PID"
  stop_bus
  alive "$FIRST" || { note "the program ended with the bus"; return 1; }
  press_caption_ok "$DIALOG" && wait_for "$REACTION_SECONDS" dialog_hidden || { note "OK did not hide"; return 1; }
  sleeps_when_idle "$FIRST" || return 1
  bounded "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1 || { note "second start failed"; return 1; }
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "second start did not show it"; return 1; }
  press_caption_close "$DIALOG" || return 1
  collect_exit "$FIRST" || { note "still running"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0))
}

check_display_goes_away() {
  start_bus && start_panel || return 1
  program_on_bus
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog && wait_for "$REACTION_SECONDS" one_item || return 1
  stop_display
  collect_exit "$FIRST" || { note "still running without its display"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0 || EXIT_CODE == 1)) || return 1
  wait_for "$REACTION_SECONDS" no_item || { note "the item is left on the panel"; return 1; }
}

main() {
  require_tools
  [[ -x "$program" ]] || { fail "program $program exists"; exit 1; }
  x_session_begin
  "$make_status_tree" "$session_dir/tree" > /dev/null || { fail "status tree written"; exit 1; }
  prepare_runtime_folder
  : > "$session_dir/program.log"
  if ! start_display 800x600 || ! start_bus; then fail "display and session bus"; exit 1; fi
  program_on_bus
  note "display $DISPLAY, 800x600, no X11 tray; a StatusNotifierItem panel on $DBUS_SESSION_BUS_ADDRESS"

  if verdict "a panel started ${LATE_TRAY_SECONDS} s after the program gets its item" check_late_panel; then
    verdict "the item: title, tool tip, an image for each side panels draw (16 to 48 pixels)" check_item_looks
    verdict "Activate hides, shows, hides, shows the dialog, in front first" check_activate_toggles
    verdict "Activate while another window is in front brings the dialog to the front" \
      check_activate_raises
    verdict "ContextMenu shows the menu; the exported menu offers 表示 and 終了" check_context_menu
    verdict "the menu's 表示 shows the hidden dialog in front" check_menu_shows
    verdict "a panel killed and started again gets the item again" check_panel_restarts
    verdict "a panel started twice leaves one item" check_panel_twice
    verdict "hidden after the panel's faults, it never wakes in ${IDLE_SECONDS} s" check_idle_after_panel_faults
    verdict "the menu's 終了 ends the program with 0 and removes the item" check_menu_ends
  fi
  verdict "the session bus goes away: the program goes on, never wakes hidden, closes with 0" check_bus_goes_away
  verdict "the display goes away: the program ends with 0 or 1, its item with it" \
    check_display_goes_away
  report_and_exit
}

main
