#!/usr/bin/env bash
# Runs the real program on a prepared laptop tree, as it runs for a user,
# and breaks things under it: a card taken out, then both, then put back; a
# flood of idle connections on the instance link; a folder put at the
# socket's path; attributes replaced with garbage, then with FIFOs; the
# battery's folder removed. After each it checks that the dialog answers a
# tray tap, that a second start still raises the one
# instance, that the dialog shows what a fresh start on the same tree shows
# (a reference picture, taken before the program under test starts, with
# the gauges whose sizes change as the disk fills masked out), and that the
# descriptors and VmRSS come back to their level. Last, starts that cannot
# make the link (a folder at the socket's path, a runtime folder others can
# enter) must end with exit code 1 and a reason, and no dialog.
#
#   fault_injection_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE LINK_FLOOD RSS_SLACK_KB
#
# Each check prints one PASS or FAIL line; the exit status is the number of
# failed checks (capped), 0 when all pass.
set -uo pipefail

usage="usage: fault_injection_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE LINK_FLOOD RSS_SLACK_KB"
program=${1:?$usage}
artifacts=${2:?$usage}
make_status_tree=${3:?$usage}
link_flood=${4:?$usage}
# How far VmRSS may stay above its level once a fault is over: malloc keeps
# some freed memory, and far more under the sanitizers.
rss_slack_kb=${5:?$usage}
# shellcheck source=tests/end_to_end/x_session.sh
source "$(dirname "$0")/x_session.sh"

FIRST_WINDOW_SECONDS=15
REACTION_SECONDS=5
EXIT_SECONDS=10
# The flood: more connections than a desktop's usual descriptor limit,
# which the program runs under here.
DESCRIPTOR_LIMIT=1024
FLOOD_CONNECTIONS=1100
# How long the flood waits for the program to drop its idle connections
# (it drops them after seconds).
FLOOD_SECONDS=30

# shellcheck source=tests/end_to_end/harness.sh
source "$(dirname "$0")/harness.sh"

# --- The faults, each applied to a tree folder --------------------------------

take_out_usb_stick() { sed -i '/ 8:17 /d' "$1/proc/self/mountinfo"; }
take_out_sd_card() { sed -i '/ 179:1 /d' "$1/proc/self/mountinfo"; }
put_cards_back() { cp "$1/mountinfo.all" "$1/proc/self/mountinfo"; }
# A driver's garbage shows in its uevent as in its files; a FIFO leaves the
# supply without one, so that its files are read.
write_garbage() {
  local supply=$1/sys/class/power_supply
  printf '7x\n' > "$supply/BAT0/capacity"
  printf 'Dischrging?\n' > "$supply/BAT0/status"
  printf 'maybe\n' > "$supply/AC/online"
  "$make_status_tree" --uevent "$1"
}
put_fifos() {
  local supply=$1/sys/class/power_supply file
  for file in BAT0/capacity BAT0/status AC/online; do
    rm -f "$supply/$file" && mkfifo "$supply/$file"
  done
  "$make_status_tree" --uevent "$1"
}
remove_battery() { rm -rf "$1/sys/class/power_supply/BAT0"; }

# make_tree DIR FAULT...: a laptop tree with the faults applied in order.
make_tree() {
  local dir=$1 fault; shift
  "$make_status_tree" "$dir" > /dev/null || return 1
  cp "$dir/proc/self/mountinfo" "$dir/mountinfo.all"
  for fault in "$@"; do "$fault" "$dir"; done
}

# --- Pictures ----------------------------------------------------------------

GAUGE_REST_RGB='#B3A18C'

# gauge_boxes FILE: WxH+X+Y of each gauge, top down, a line each; the plain
# ones and the bar ones are found apart, as they touch.
gauge_boxes() {
  local colours
  for colours in "-opaque $GAUGE_PLAIN_RGB" "-opaque $GAUGE_BAR_RGB -opaque $GAUGE_REST_RGB"; do
    # shellcheck disable=SC2086
    bounded convert "$1" -fill black -opaque white -fill white $colours -fill black +opaque white \
      -define connected-components:verbose=true -define connected-components:area-threshold=200 \
      -connected-components 4 null: 2>/dev/null |
      awk '$NF == "srgb(255,255,255)" { print $2 }'
  done | awk -F'[x+]' '{ print $4, $0 }' | sort -n | cut -d' ' -f2
}

# masked FILE REFERENCE OUT: FILE with every gauge blacked out whose
# reference shows a text, apart from program memory's two (the prepared
# meminfo does not change): their byte counts follow the disk. A gauge the
# reference shows empty must be empty.
masked() {
  local box draw=() index=0
  for box in "${GAUGE_BOXES[@]}"; do
    index=$((index + 1))
    ((index == 1 || index == 2)) && continue
    [[ $(bounded convert "$2" -crop "$box" +repage -format '%k' info:) -gt 1 ]] || continue
    local size=${box%%+*} offset=${box#*+}
    local width=${size%x*} height=${size#*x} x=${offset%+*} y=${offset#*+}
    draw+=(-draw "rectangle $x,$y $((x + width - 1)),$((y + height - 1))")
  done
  bounded convert "$1" -fill black "${draw[@]}" "$3"
}

# same_picture FILE REFERENCE: the two agree outside the masked gauges.
same_picture() {
  local name=$(basename "$1" .png) differing
  masked "$1" "$2" "$session_dir/$name-masked.png" &&
    masked "$2" "$2" "$session_dir/$name-reference-masked.png" || return 1
  differing=$(bounded compare -metric AE "$session_dir/$name-masked.png" \
    "$session_dir/$name-reference-masked.png" null: 2>&1)
  if [[ "$differing" != 0 ]]; then
    cp "$1" "$artifacts/$name.png"
    cp "$2" "$artifacts/$name-expected.png"
    note "$differing pixels differ; pictures in $artifacts/$name.png and $name-expected.png"
    return 1
  fi
}

# runtime_command TREE RUNTIME: PROGRAM_COMMAND on TREE with its own
# runtime folder, so that it is an instance of its own.
runtime_command() {
  local index
  program_command "$program" "$1"
  for index in "${!PROGRAM_COMMAND[@]}"; do
    [[ "${PROGRAM_COMMAND[index]}" == XDG_RUNTIME_DIR=* ]] && PROGRAM_COMMAND[index]=XDG_RUNTIME_DIR=$2
  done
}

the_visible_dialog() { DIALOG=$(visible_dialogs); [[ $(wc -l <<< "$DIALOG") -eq 1 && -n "$DIALOG" ]]; }

# reference NAME FAULT...: what a fresh start on a tree with these faults
# shows, in $session_dir/reference-NAME.png.
reference() {
  local name=$1 pid; shift
  make_tree "$session_dir/reference-$name" "$@" || return 1
  mkdir -m 700 "$session_dir/reference-$name/runtime"
  runtime_command "$session_dir/reference-$name" "$session_dir/reference-$name/runtime"
  "${PROGRAM_COMMAND[@]}" >> "$session_dir/reference.log" 2>&1 &
  pid=$!
  keep_pid "$pid"
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog &&
    wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$session_dir/reference-$name.png"
  local status=$?
  end_process "$pid"
  wait_for "$REACTION_SECONDS" tray_icon_count_is 0
  return "$status"
}

# --- The program under test ----------------------------------------------------

descriptors() { find "/proc/$PID/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }
resident_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$PID/status" 2>/dev/null; }

start_program() {
  runtime_command "$TREE" "$session_dir/runtime"
  prlimit --nofile="$DESCRIPTOR_LIMIT" "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1 &
  PID=$!
  keep_pid "$PID"
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  wait_for "$REACTION_SECONDS" tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
  wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$session_dir/shot.png" || return 1
  mapfile -t GAUGE_BOXES < <(gauge_boxes "$session_dir/reference-laptop.png")
  ((${#GAUGE_BOXES[@]} == 8)) || { note "gauges found: ${#GAUGE_BOXES[@]}"; return 1; }
  BASE_DESCRIPTORS=$(descriptors)
  BASE_RESIDENT_KB=$(resident_kb)
  note "level: $BASE_DESCRIPTORS descriptors, VmRSS $BASE_RESIDENT_KB kB"
  same_picture "$session_dir/shot.png" "$session_dir/reference-laptop.png"
}

dialog_hidden() { visible_dialog_count_is 0; }
dialog_in_front() { visible_dialog_count_is 1 && focused_window_is "$DIALOG"; }
alive() { ! process_gone "$PID"; }

tap_hides() {
  dialog_in_front || wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not in front"; return 1; }
  tap_tray_icon || { note "no tray icon to tap"; return 1; }
  wait_for "$REACTION_SECONDS" dialog_hidden || { note "not hidden"; return 1; }
}

second_start_raises() {
  local status
  runtime_command "$TREE" "$session_dir/runtime"
  timeout "$EXIT_SECONDS" "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1
  status=$?
  ((status == 0)) || { note "second start ended with $status"; return 1; }
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not shown in front"; return 1; }
  tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
  [[ $(all_dialogs | wc -l) -eq 1 ]] || { note "dialog windows: $(all_dialogs | wc -l)"; return 1; }
  alive
}

shows() {
  local shot=$session_dir/$1.png
  wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$shot" || { note "no refresh drew the gauges"; return 1; }
  same_picture "$shot" "$session_dir/reference-$2.png"
}

descriptors_at_level() { [[ $(descriptors) -le $BASE_DESCRIPTORS ]]; }

back_to_level() {
  wait_for "$REACTION_SECONDS" descriptors_at_level ||
    { note "$(descriptors) descriptors, level $BASE_DESCRIPTORS"; return 1; }
  local resident
  resident=$(resident_kb)
  ((resident <= BASE_RESIDENT_KB + rss_slack_kb)) ||
    { note "VmRSS $resident kB, level $BASE_RESIDENT_KB kB + $rss_slack_kb"; return 1; }
}

# after NAME REFERENCE: the checks made after each fault.
after() {
  verdict "$1: a tray tap hides the dialog" tap_hides &&
    verdict "$1: a second start exits 0 and raises the one instance" second_start_raises
  verdict "$1: the dialog shows what a fresh start shows" shows "$1" "$2"
  verdict "$1: descriptors and VmRSS back to their level" back_to_level
}

socket_path() { find "$session_dir/runtime" -maxdepth 1 -type s -name 'velorwind-*' | head -n1; }

flood() {
  [[ -n "$SOCKET" ]] || { note "no socket"; return 1; }
  coproc FLOOD { exec "$link_flood" "$SOCKET" "$FLOOD_CONNECTIONS" "$FLOOD_SECONDS"; }
  keep_pid "$FLOOD_PID"
  # Its output stays readable after it ends, which unsets FLOOD.
  exec {FLOOD_OUT}<&"${FLOOD[0]}"
  local opened
  read -r -t 10 -u "$FLOOD_OUT" _ opened || { note "the flood did not start"; return 1; }
  note "$opened idle connections held; the program has $(descriptors) descriptors"
  ((opened == FLOOD_CONNECTIONS))
}

flood_idle_dropped() {
  local closed
  read -r -t $((FLOOD_SECONDS + 5)) -u "$FLOOD_OUT" _ closed || { note "no count from the flood"; return 1; }
  exec {FLOOD_OUT}<&-
  note "the program closed $closed of them"
  ((closed == FLOOD_CONNECTIONS))
}

# folder_at_socket: a folder where the socket was. The program makes its
# socket again the moment it is removed, so the folder may take a few tries.
folder_at_socket() {
  local attempt
  [[ -n "$SOCKET" ]] || return 1
  for ((attempt = 0; attempt < 50; attempt++)); do
    rm -f "$SOCKET" && mkdir "$SOCKET" 2>/dev/null && return 0
  done
  note "no folder could be put there"
  return 1
}

socket_again() { [[ -S "$SOCKET" ]]; }

# refused_start NAME RUNTIME: a start with that runtime folder ends with 1,
# says why, and shows no dialog.
refused_start() {
  local status message
  runtime_command "$TREE" "$2"
  timeout "$EXIT_SECONDS" "${PROGRAM_COMMAND[@]}" > "$session_dir/refused.log" 2>&1
  status=$?
  message=$(grep -F -- "$1" "$session_dir/refused.log")
  note "exit code $status: ${message:-no reason given}"
  ((status == 1)) && [[ -n "$message" ]] && visible_dialog_count_is 0 && tray_icon_count_is 0
}

close_ends() {
  press_caption_close "$DIALOG" || return 1
  wait_for "$EXIT_SECONDS" process_gone "$PID" || { note "still running"; return 1; }
  wait "$PID"
  local status=$?
  forget_pid "$PID"
  note "exit code $status"
  ((status == 0))
}

main() {
  local tool
  for tool in Xvfb trayer xdotool xwininfo import convert compare identify prlimit; do
    command -v "$tool" > /dev/null || { fail "$tool present (scripts/setup installs it)"; exit 1; }
  done
  mkdir -p "$artifacts"
  rm -f "$artifacts"/*.png
  x_session_begin
  prepare_runtime_folder
  : > "$session_dir/program.log"
  TREE=$session_dir/tree
  make_tree "$TREE" || { fail "status tree written"; exit 1; }
  if ! start_display 800x600 || ! start_tray_host; then fail "display with a tray host"; exit 1; fi
  note "display $DISPLAY, 800x600, trayer"

  verdict "reference pictures from fresh starts" eval '
    reference laptop &&
    reference one-card take_out_usb_stick &&
    reference no-card take_out_usb_stick take_out_sd_card &&
    reference garbage write_garbage &&
    reference no-battery write_garbage put_fifos remove_battery' || exit 1

  verdict "the program starts on the laptop tree and shows it" start_program || exit 1
  SOCKET=$(socket_path)

  take_out_usb_stick "$TREE"
  after "one card taken out" one-card
  take_out_sd_card "$TREE"
  after "both cards taken out" no-card
  put_cards_back "$TREE"
  after "cards put back" laptop

  if verdict "flood: $FLOOD_CONNECTIONS idle connections opened" flood; then
    after "during the flood" laptop
    verdict "flood: every idle connection dropped" flood_idle_dropped
  fi
  folder_at_socket && verdict "a folder put at the socket path gives way to the socket" \
    wait_for "$REACTION_SECONDS" socket_again
  after "folder at the socket path" laptop

  write_garbage "$TREE"
  after "attributes garbage" garbage
  put_fifos "$TREE"
  after "attributes FIFOs" garbage
  remove_battery "$TREE"
  after "battery folder removed" no-battery

  verdict "caption close ends the program with 0" close_ends
  mkdir "$SOCKET"
  verdict "a folder at the socket path: exit 1, the reason, no dialog" \
    refused_start "in the way of the instance socket" "$session_dir/runtime"
  mkdir -m 755 "$session_dir/open-runtime"
  verdict "a runtime folder others can enter: exit 1, the reason, no dialog" \
    refused_start "open to other users" "$session_dir/open-runtime"
  stop_display

  report_and_exit
}

main
