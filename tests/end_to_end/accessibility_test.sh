#!/usr/bin/env bash
# Reads the real program as a screen reader does: through AT-SPI, on a D-Bus
# session of the test's own with its accessibility bus (at-spi2-core), the
# dialog on a virtual X display. The tree holds the dialog by its title and
# every label and value, each byte count named with its caption; a change in
# the machine shows in the name at the next refresh; the pixels are those of
# the dialog without a screen reader; and hidden, the program still sleeps.
#
#   accessibility_test.sh PROGRAM MAKE_STATUS_TREE ARTIFACT_FOLDER
#
# Each check prints one PASS or FAIL line; the exit status is the number of
# failed checks (capped), 0 when all pass.
set -uo pipefail

program=${1:?usage: accessibility_test.sh PROGRAM MAKE_STATUS_TREE ARTIFACT_FOLDER}
make_status_tree=${2:?usage: accessibility_test.sh PROGRAM MAKE_STATUS_TREE ARTIFACT_FOLDER}
artifacts=${3:?usage: accessibility_test.sh PROGRAM MAKE_STATUS_TREE ARTIFACT_FOLDER}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/end_to_end/x_session.sh
source "$here/x_session.sh"
# shellcheck source=tests/end_to_end/harness.sh
source "$here/harness.sh"

# Debian's own Python, which has the AT-SPI bindings, whatever else is on PATH.
PYTHON=/usr/bin/python3
APPLICATION=Velorwind

require_tools() {
  local missing=() tool
  for tool in Xvfb xdotool xwininfo dbus-daemon dbus-send import compare "$PYTHON"; do
    command -v "$tool" > /dev/null || missing+=("$tool")
  done
  [[ -x /usr/libexec/at-spi-bus-launcher ]] || missing+=(at-spi2-core)
  "$PYTHON" -c 'import pyatspi' 2> /dev/null || missing+=(python3-pyatspi)
  if ((${#missing[@]})); then
    fail "tools present (missing: ${missing[*]}; scripts/setup installs them)"
    exit 1
  fi
}

# Assistive technology turned on, as a desktop does when a screen reader
# starts: programs that start later see it and speak AT-SPI.
enable_accessibility() {
  bounded dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
    variant:boolean:true > "$session_dir/a11y.log" 2>&1
}

# quiet_program [BUS]: the program on a still machine, so that two runs draw
# the same pixels: its data storage and its cards on file systems nothing
# writes to (devtmpfs and devpts), and the test's bus when BUS is given.
quiet_program() {
  program_command "$program" "$session_dir/tree"
  local bus=("DBUS_SESSION_BUS_ADDRESS=unix:path=$session_dir/no-session-bus")
  [[ -n "${1:-}" ]] && bus=("DBUS_SESSION_BUS_ADDRESS=$1")
  PROGRAM_COMMAND=("${PROGRAM_COMMAND[@]:0:${#PROGRAM_COMMAND[@]}-1}" HOME=/dev "${bus[@]}"
                   "$program")
}

still_cards() {
  sed -i -E 's#^(41 22 179:1 / )[^ ]+#\1/dev#; s#^(42 22 8:17 / )[^ ]+#\1/dev/pts#' \
    "$session_dir/tree/proc/self/mountinfo"
}

# tree: what a screen reader finds; sets TREE (depth, role, name a line).
tree() { TREE=$(bounded "$PYTHON" "$here/accessible_tree.py" tree "$APPLICATION" 2>> "$session_dir/tree.log"); }

# listen SECONDS: the name changes announced meanwhile, in the background
# into $session_dir/heard; sets LISTENER.
listen() {
  "$PYTHON" "$here/accessible_tree.py" names "$APPLICATION" "$1" > "$session_dir/heard" \
    2>> "$session_dir/tree.log" &
  LISTENER=$!
  keep_pid "$LISTENER"
}

heard_count() { grep -cxF -- "$1" "$session_dir/heard"; }

# named ROLE NAME: the tree holds a node of that role and exactly that name.
named() { grep -qxF -- "$1"$'\t'"$2" <<< "$(cut -f2- <<< "$TREE")"; }

# The names of the static texts that end with NUMBER-like values, for a note.
byte_counts() { awk -F'\t' '$2 == "label" && $3 ~ /[0-9],[0-9][0-9][0-9]$/ { print $3 }' <<< "$TREE"; }

# shows_ram_free COUNT: the tree names the free program memory with COUNT.
shows_ram_free() { tree && named label "未使用ﾌﾟﾛｸﾞﾗﾑ実行用 $1"; }

dialog_picture() { wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$1"; }

# --- The checks -----------------------------------------------------------------

check_pixels_without_reader() {
  quiet_program
  start_instance
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  dialog_picture "$session_dir/without.png" || { note "no gauges"; return 1; }
  press_caption_close "$DIALOG"
  ends_with_zero "$PID"
}

check_tree_holds_everything() {
  quiet_program "$DBUS_SESSION_BUS_ADDRESS"
  start_instance
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  dialog_picture "$session_dir/with.png" || { note "no gauges"; return 1; }
  wait_for "$REACTION_SECONDS" shows_ram_free "5,368,709,120" ||
    { note "tree:"; sed 's/^/        /' <<< "$TREE"; return 1; }
  local missing=() expected
  local names=(
    "dialog"$'\t'"$DIALOG_TITLE"
    # Labels, as they stand.
    "label"$'\t'"ﾊﾞｯﾃﾘ" "label"$'\t'"外部電源の状態" "label"$'\t'"ﾒﾓﾘ (ﾊﾞｲﾄ)"
    # The power texts of the prepared laptop: discharging, no backup battery.
    "label"$'\t'"ｵﾌ" "label"$'\t'"無し"
    # The byte counts, each with its caption.
    "label"$'\t'"全ﾌﾟﾛｸﾞﾗﾑ実行用 8,241,741,824"
    "label"$'\t'"未使用ﾌﾟﾛｸﾞﾗﾑ実行用 5,368,709,120"
  )
  for expected in "${names[@]}"; do
    named "${expected%%$'\t'*}" "${expected#*$'\t'}" || missing+=("$expected")
  done
  note "byte counts: $(byte_counts | tr '\n' ';')"
  ((${#missing[@]} == 0)) || { note "missing: ${missing[*]}"; note "tree:"; sed 's/^/        /' <<< "$TREE" | head -12; return 1; }
}

check_pixels_unchanged() {
  local difference
  difference=$(bounded compare -metric AE "$session_dir/without.png" "$session_dir/with.png" \
               "$artifacts/accessibility-difference.png" 2>&1)
  cp "$session_dir/with.png" "$artifacts/accessibility.png"
  note "pixels that differ: $difference"
  [[ "$difference" == 0 ]]
}

# Listening over three refreshes of a still machine, then one change: the
# one new name is told once, nothing else is told at all.
check_change_is_heard() {
  listen 6
  sleep 3
  sed -i 's/^MemAvailable: .*/MemAvailable:    3145728 kB/' "$session_dir/tree/proc/meminfo"
  wait_for "$REACTION_SECONDS" shows_ram_free "3,221,225,472" || { note "tree:"; byte_counts; return 1; }
  wait_for 10 process_gone "$LISTENER"
  note "heard: $(tr '\n' ';' < "$session_dir/heard")"
  [[ $(heard_count "未使用ﾌﾟﾛｸﾞﾗﾑ実行用 3,221,225,472") -eq 1 && $(wc -l < "$session_dir/heard") -eq 1 ]]
}

check_hidden_sleeps() {
  press_caption_ok "$DIALOG" && wait_for "$REACTION_SECONDS" dialog_hidden || { note "not hidden"; return 1; }
  sleeps_when_idle "$PID"
}

# accessibility_processes: the accessibility bus, its daemon and registry
# that the test's session bus started (found by that bus in their
# environment, so that no other session's are touched).
accessibility_processes() {
  local pid
  for pid in $(pgrep -f 'at-spi-bus-launcher|at-spi2-registryd|dbus-daemon --config-file=/usr/share/defaults/at-spi2'); do
    tr '\0' '\n' < "/proc/$pid/environ" 2> /dev/null |
      grep -q "^DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS" && echo "$pid"
  done
}

no_accessibility_processes() { [[ -z "$(accessibility_processes)" ]]; }

# Ending them is a screen reader's desktop going away.
check_bus_goes_away() {
  local launched
  launched=$(accessibility_processes | tr '\n' ' ')
  [[ -n "$launched" ]] || { note "no accessibility bus was running"; return 1; }
  note "ending $launched"
  # shellcheck disable=SC2086
  kill $launched 2> /dev/null
  wait_for "$REACTION_SECONDS" no_accessibility_processes || { note "still running: $launched"; return 1; }
  alive "$PID" || { note "the program ended"; return 1; }
  sleeps_when_idle "$PID"
}

check_closes() {
  # Hidden, the dialog is reached by a second start.
  quiet_program "$DBUS_SESSION_BUS_ADDRESS"
  "${PROGRAM_COMMAND[@]}" > /dev/null 2>&1
  wait_for "$REACTION_SECONDS" the_visible_dialog || { note "not shown again"; return 1; }
  press_caption_close "$DIALOG"
  ends_with_zero "$PID"
}

main() {
  require_tools
  x_session_begin
  mkdir -p "$artifacts"
  start_display 800x600 || exit 1
  start_bus || { fail "a session bus"; exit 1; }
  enable_accessibility || { fail "the accessibility bus ($(cat "$session_dir/a11y.log"))"; exit 1; }
  # They leave the session bus's care as daemons: ended with the session.
  local pid
  for pid in $(accessibility_processes); do keep_pid "$pid"; done
  "$make_status_tree" "$session_dir/tree" > /dev/null
  still_cards
  prepare_runtime_folder
  note "display $DISPLAY; accessibility bus on $DBUS_SESSION_BUS_ADDRESS"

  verdict "without a screen reader: the dialog's picture" check_pixels_without_reader
  verdict "the tree holds the dialog by its title, its labels and values, each byte count with its caption" \
    check_tree_holds_everything
  verdict "the pixels are the same with a screen reader" check_pixels_unchanged
  verdict "a change in the machine is told once, at the next refresh, and nothing else is" check_change_is_heard
  verdict "hidden, the program sleeps with a screen reader" check_hidden_sleeps
  verdict "the accessibility bus goes away: the program runs on and sleeps" check_bus_goes_away
  verdict "a second start shows it; the caption's close button ends it with 0" check_closes
  report_and_exit
}

main
