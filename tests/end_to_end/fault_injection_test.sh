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
# Then the machine around the program fails it, each with instances of
# their own: a disk of five partitions that stop answering beside the cards
# (FUSE file systems in a mount namespace of their own), with the end
# signals and a kill while it hangs; SIGTERM, SIGINT and SIGHUP, also during
# start-up, and a running instance that is stopped; bursts of calls on the
# bus, with the memory they leave; another user who takes the place of the
# socket's folder before the program, with no XDG_RUNTIME_DIR; and no font
# for Japanese.
#
#   fault_injection_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE LINK_FLOOD RSS_SLACK_KB
#                           HUNG_FS BURST_RSS_SLACK_KB
#
# Each check prints one PASS or FAIL line; the exit status is the number of
# failed checks (capped), 0 when all pass.
set -uo pipefail

usage="usage: fault_injection_test.sh PROGRAM ARTIFACT_FOLDER MAKE_STATUS_TREE LINK_FLOOD RSS_SLACK_KB HUNG_FS BURST_RSS_SLACK_KB"
program=${1:?$usage}
artifacts=${2:?$usage}
make_status_tree=${3:?$usage}
link_flood=${4:?$usage}
# How far VmRSS may stay above its level once a fault is over: malloc keeps
# some freed memory, and far more under the sanitizers.
rss_slack_kb=${5:?$usage}
hung_fs=${6:?$usage}
# How far VmRSS may stay above its level once a burst of calls on the bus is
# over: the program gives back what the burst took. "unchecked" under the
# sanitizers, whose allocator keeps freed memory in quarantine by design.
burst_rss_slack_kb=${7:?$usage}
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

# differing_pixels FILE REFERENCE: how many pixels differ outside the masked
# gauges.
differing_pixels() {
  local name=$(basename "$1" .png)
  masked "$1" "$2" "$session_dir/$name-masked.png" &&
    masked "$2" "$2" "$session_dir/$name-reference-masked.png" || return 1
  bounded compare -metric AE "$session_dir/$name-masked.png" \
    "$session_dir/$name-reference-masked.png" null: 2>&1
}

# same_picture FILE REFERENCE: the two agree outside the masked gauges.
same_picture() {
  local differing
  differing=$(differing_pixels "$1" "$2") || return 1
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
  wait_for "$REACTION_SECONDS" shows_now "$session_dir/shot.png" "$session_dir/reference-laptop.png" ||
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

# second_start_answered RUNTIME TREE: a second start exits 0, and the one
# dialog comes to the front.
second_start_answered() {
  local status
  runtime_command "$2" "$1"
  timeout "$EXIT_SECONDS" "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1
  status=$?
  ((status == 0)) || { note "second start ended with $status"; return 1; }
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not shown in front"; return 1; }
  [[ $(all_dialogs | wc -l) -eq 1 ]] || { note "dialog windows: $(all_dialogs | wc -l)"; return 1; }
}

# second_start_raises: the same on the laptop's tree, with one tray icon,
# and the program still running.
second_start_raises() {
  second_start_answered "$session_dir/runtime" "$TREE" || return 1
  tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
  alive
}

# shows NAME REFERENCE: the dialog, once a refresh drew its gauges, comes to
# show what the reference shows. A gauge goes on screen as it is drawn, the
# labels beside it when Qt paints them a moment later: a picture taken in
# between is taken again.
shows() {
  local shot=$session_dir/$1.png reference=$session_dir/reference-$2.png
  wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$shot" || { note "no refresh drew the gauges"; return 1; }
  wait_for "$REACTION_SECONDS" shows_now "$shot" "$reference" || same_picture "$shot" "$reference"
}
shows_now() { screenshot "$DIALOG" "$1" && [[ $(differing_pixels "$1" "$2") == 0 ]]; }

# exposed_shows NAME REFERENCE: covered by a window over the whole screen and
# uncovered again (xrefresh), the dialog is put on screen from what Qt keeps
# of the window, not drawn anew: it still shows what the reference shows,
# gauges drawn since it was last painted included.
exposed_shows() {
  local shot=$session_dir/$1.png reference=$session_dir/reference-$2.png
  xrefresh || { note "xrefresh failed"; return 1; }
  wait_for "$REACTION_SECONDS" shows_now "$shot" "$reference" || same_picture "$shot" "$reference"
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

# --- A disk that stops answering ------------------------------------------------
# A USB disk of five partitions, each a FUSE file system (hung_fs) whose
# statfs never returns while the gate file exists, mounted in a namespace of
# their own before the laptop's two cards. The programs of these checks run
# in that namespace; a second start, which measures nothing, runs outside.

HUNG_PARTITIONS=5

# add_hung_disk TREE: the disk in sysfs (sdc, removable) and its partitions
# in the table at TREE/media/PARTn, mounted before the cards.
add_hung_disk() {
  local tree=$1 partition lines=
  local disk=devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1:1.0/host7/target7:0:0/7:0:0:0/block/sdc
  mkdir -p "$tree/sys/$disk" && echo 1 > "$tree/sys/$disk/removable" || return 1
  for ((partition = 1; partition <= HUNG_PARTITIONS; partition++)); do
    mkdir -p "$tree/sys/$disk/sdc$partition" "$tree/media/PART$partition"
    echo "$partition" > "$tree/sys/$disk/sdc$partition/partition"
    ln -sfn "../../$disk/sdc$partition" "$tree/sys/dev/block/8:$((32 + partition))"
    lines+="$((60 + partition)) 22 8:$((32 + partition)) / $tree/media/PART$partition rw,relatime"
    lines+=" shared:$((60 + partition)) - vfat /dev/sdc$partition rw"$'\n'
  done
  { head -n1 "$tree/mountinfo.all"; printf '%s' "$lines"; tail -n +2 "$tree/mountinfo.all"; } \
    > "$tree/proc/self/mountinfo"
}

# start_hung_disk TREE GATE: the partitions mounted in a new namespace;
# sets HUNG_NS, a process in it, which ends them when it is ended.
start_hung_disk() {
  unshare --mount --propagation private -- bash -c '
    trap "kill -KILL \$(jobs -p) 2> /dev/null; exit 0" TERM
    for ((partition = 1; partition <= $1; partition++)); do
      "$2" "$3/media/PART$partition" "$4" &
    done
    wait' hung-disk "$HUNG_PARTITIONS" "$hung_fs" "$1" "$2" >> "$session_dir/hung_fs.log" 2>&1 &
  HUNG_NS=$!
  keep_pid "$HUNG_NS"
  wait_for "$FIRST_WINDOW_SECONDS" hung_disk_mounted || { note "the partitions were not mounted"; return 1; }
}

hung_disk_mounted() {
  [[ $(grep -c ' - fuse velorwind-hung ' "/proc/$HUNG_NS/mountinfo" 2>/dev/null) -eq $HUNG_PARTITIONS ]]
}

# start_beside_hung_disk RUNTIME: the program on the hung disk's tree, in
# its namespace; sets PID, DIALOG.
start_beside_hung_disk() {
  runtime_command "$HUNG_TREE" "$1"
  nsenter --target "$HUNG_NS" --mount -- "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1 &
  PID=$!
  keep_pid "$PID"
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  wait_for "$REACTION_SECONDS" tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
}

windows_gone() { [[ -z "$(all_dialogs)" ]] && tray_icon_count_is 0; }
no_socket_in() { [[ -z "$(find "$1" -mindepth 1 -maxdepth 1 2> /dev/null)" ]]; }

# ends_at_signal SIGNAL RUNTIME: the program's windows and icon go at
# SIGNAL, and its socket and lock with them.
ends_at_signal() {
  kill "-$1" "$PID"
  wait_for "$EXIT_SECONDS" windows_gone ||
    { note "still shown: $(all_dialogs | wc -l) dialogs, $(tray_icon_count) icons"; return 1; }
  wait_for "$REACTION_SECONDS" no_socket_in "$2" || { note "left: $(ls -A "$2")"; return 1; }
}

held_ended_with() {
  collect_exit "$1" || { note "still held"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == $2))
}

hung_disk_checks() {
  if ((EUID != 0)) || [[ ! -c /dev/fuse ]]; then
    echo "SKIP: a disk that stops answering (needs root and /dev/fuse for a FUSE file system)"
    return 0
  fi
  local gate=$session_dir/hung-gate runtime=$session_dir/hung-runtime terminated killed
  HUNG_TREE=$session_dir/hung-tree
  mkdir -m 700 "$runtime" "$session_dir/released-runtime"
  make_tree "$HUNG_TREE" && add_hung_disk "$HUNG_TREE" && start_hung_disk "$HUNG_TREE" "$gate" ||
    { fail "a disk of $HUNG_PARTITIONS partitions mounted in a namespace of its own"; return 1; }
  # What the partitions show once they answer.
  verdict "hung disk: the partitions shown once they answer, from a fresh start" eval '
    start_beside_hung_disk "$session_dir/released-runtime" &&
    wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$session_dir/reference-released.png"'
  end_process "$PID"
  wait_for "$REACTION_SECONDS" windows_gone

  touch "$gate"
  verdict "hung disk: the program starts beside $HUNG_PARTITIONS partitions that never answer" \
    start_beside_hung_disk "$runtime" || return 1
  note "$(find "/proc/$PID/task" -mindepth 1 -maxdepth 1 | wc -l) threads"
  verdict "hung disk: the dialog shows the cards beside it" shows hung-disk laptop
  verdict "hung disk: a tray tap hides the dialog" tap_hides
  verdict "hung disk: a second start exits 0 and raises the one instance" \
    second_start_answered "$runtime" "$HUNG_TREE"
  terminated=$PID
  verdict "hung disk: SIGTERM removes the dialog, the icon and the socket at once" \
    ends_at_signal TERM "$runtime"
  verdict "hung disk: a new start becomes the instance while the old one is held" \
    start_beside_hung_disk "$runtime"
  killed=$PID
  verdict "hung disk: a process killed while held leaves no window on screen" eval '
    kill -KILL "$PID" && wait_for "$EXIT_SECONDS" windows_gone'
  verdict "hung disk: after the kill, a new start becomes the instance" \
    start_beside_hung_disk "$runtime"

  rm -f "$gate"
  verdict "hung disk: once the disk answers, SIGTERM's process ends with 0" held_ended_with "$terminated" 0
  verdict "hung disk: once the disk answers, the killed process is gone" held_ended_with "$killed" 137
  verdict "hung disk: once it answers, the running instance shows its partitions" shows hung-released released
  verdict "hung disk: exposed again, the window still shows them" exposed_shows hung-exposed released
  verdict "hung disk: caption close ends the program with 0" close_ends
  end_process "$HUNG_NS"
}

# --- End signals ------------------------------------------------------------------

# ends_with_zero_at SIGNAL RUNTIME: started, then SIGNAL: it ends as the
# close button ends it.
ends_with_zero_at() {
  runtime_command "$TREE" "$2"
  start_instance
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog && wait_for "$REACTION_SECONDS" tray_icon_count_is 1 ||
    { note "no dialog"; return 1; }
  SOCKET_NAME=$(find "$2" -maxdepth 1 -type s -printf '%f\n' | head -n1)
  ends_at_signal "$1" "$2" && collect_exit "$PID" || return 1
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0))
}

# The lock file a claim takes (see the instance link), held by another
# process: a start waits for it, before its dialog exists.
claiming() { find "/proc/$PID/fd" -mindepth 1 -maxdepth 1 -lname '*.lock' 2> /dev/null | grep -q .; }

ends_during_start_up() {
  local runtime=$1 lock=$SOCKET_NAME.lock holder
  [[ -n "$SOCKET_NAME" ]] || { note "the socket's name is not known"; return 1; }
  (
    exec 9> "$runtime/$lock"
    flock 9 && exec sleep 600
  ) &
  holder=$!
  keep_pid "$holder"
  wait_for "$REACTION_SECONDS" eval '[[ $(ps -o comm= -p "$holder") == sleep ]]' || { note "no lock held"; return 1; }
  runtime_command "$TREE" "$runtime"
  start_instance
  wait_for "$EXIT_SECONDS" claiming || { note "never claimed"; end_process "$holder"; return 1; }
  kill -TERM "$PID"
  collect_exit "$PID"
  local status=$EXIT_CODE
  end_process "$holder"
  note "exit code ${status:-none}"
  [[ "$status" == 0 ]] && [[ -z "$(all_dialogs)" ]] && tray_icon_count_is 0
}

# A running instance that is stopped takes a second start's request and
# never answers: the start says so and ends with 1.
unanswered_start() {
  local runtime=$1 status message
  runtime_command "$TREE" "$runtime"
  start_instance
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  kill -STOP "$PID"
  timeout $((EXIT_SECONDS * 3)) "${PROGRAM_COMMAND[@]}" > "$session_dir/unanswered.log" 2>&1
  status=$?
  kill -CONT "$PID"
  message=$(grep -F "did not answer" "$session_dir/unanswered.log")
  note "exit code $status: ${message:-no reason given}"
  ((status == 1)) && [[ -n "$message" ]] && [[ $(all_dialogs | wc -l) -eq 1 ]]
}

end_signal_checks() {
  local signal
  for signal in TERM INT HUP; do
    mkdir -m 700 "$session_dir/signal-runtime-$signal"
    verdict "SIG$signal closes the dialog, removes icon, socket and lock, and ends with 0" \
      ends_with_zero_at "$signal" "$session_dir/signal-runtime-$signal"
  done
  mkdir -m 700 "$session_dir/start-up-runtime"
  verdict "SIGTERM during start-up, before the dialog exists: exit 0, nothing shown" \
    ends_during_start_up "$session_dir/start-up-runtime"
  mkdir -m 700 "$session_dir/stopped-runtime"
  verdict "a stopped instance: a second start says it got no answer and ends with 1" \
    unanswered_start "$session_dir/stopped-runtime"
  verdict "the stopped instance, going on, answers a second start" \
    second_start_answered "$session_dir/stopped-runtime" "$TREE"
  verdict "the stopped instance, going on, ends with 0 at its caption's close" close_ends
}

# --- Bursts on the bus ----------------------------------------------------------
# The program's icon on a StatusNotifierItem panel of the test's own bus
# (sni_desktop.py), flooded the way a panel gone wrong or a hostile caller
# would: each burst is answered by nothing it did not ask for, leaves the
# program answering, and gives back the memory it took.

PANEL=(/usr/bin/python3 "$(dirname "$0")/sni_desktop.py")
BURST_CALLS=10000

panel_registered() { grep -qs '^registered' "$session_dir/burst-panel.log"; }
resident_within_burst_slack() { (($(resident_kb) <= BASE_RESIDENT_KB + burst_rss_slack_kb)); }

# burst_memory_given_back NAME
burst_memory_given_back() {
  if [[ $burst_rss_slack_kb == unchecked ]]; then
    note "after $1: VmRSS $(resident_kb) kB, level $BASE_RESIDENT_KB kB (unchecked here)"
    return 0
  fi
  verdict "bus: after $1 VmRSS comes back within $burst_rss_slack_kb kB of its level" eval \
    'wait_for 30 resident_within_burst_slack || { note "VmRSS $(resident_kb) kB, level $BASE_RESIDENT_KB kB"; false; }'
}

# after_burst NAME KIND COUNT [SIZE]: the burst, then the checks. Qt itself
# answers a call of a method the item does not have with an error, asked for
# or not: those replies are counted, not checked.
after_burst() {
  local replies
  replies=$(timeout 120 "${PANEL[@]}" burst "$ITEM" "${@:2}" 2>> "$session_dir/panel.out")
  if [[ $2 == unknown ]]; then
    note "$1: $replies errors from Qt"
  else
    verdict "bus: $1 get no reply they did not ask for" eval '[[ "$replies" == 0 ]] || { note "$replies replies"; false; }'
  fi
  verdict "bus: after $1 the program answers" eval \
    'alive "$PID" && timeout 30 "${PANEL[@]}" get "$ITEM" Title | grep -q Velorwind'
  burst_memory_given_back "$1"
}

bus_burst_checks() {
  local bus=$session_dir/burst-bus index
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$bus" > "$session_dir/bus.log" 2>&1 &
  keep_pid $!
  wait_for 10 test -S "$bus" || { fail "a session bus of the test's own"; return 1; }
  DBUS_SESSION_BUS_ADDRESS="unix:path=$bus" "${PANEL[@]}" serve "$session_dir/burst-panel.log" \
    >> "$session_dir/panel.out" 2>&1 &
  keep_pid $!
  local -x DBUS_SESSION_BUS_ADDRESS="unix:path=$bus"
  mkdir -m 700 "$session_dir/burst-runtime"
  runtime_command "$TREE" "$session_dir/burst-runtime"
  for index in "${!PROGRAM_COMMAND[@]}"; do
    [[ "${PROGRAM_COMMAND[index]}" == DBUS_SESSION_BUS_ADDRESS=* ]] &&
      PROGRAM_COMMAND[index]=DBUS_SESSION_BUS_ADDRESS=unix:path=$bus
  done
  start_instance
  verdict "bus: the icon registers with the panel" eval '
    wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog && wait_for "$FIRST_WINDOW_SECONDS" panel_registered' ||
    return 1
  ITEM=$(timeout 30 "${PANEL[@]}" items | head -n1)
  # The level: the program as it runs, its answers to a panel made once.
  timeout 30 "${PANEL[@]}" get "$ITEM" ToolTip > /dev/null
  timeout 120 "${PANEL[@]}" burst "$ITEM" properties 10 > /dev/null
  BASE_RESIDENT_KB=$(resident_kb)
  note "level: VmRSS $BASE_RESIDENT_KB kB"
  after_burst "$BURST_CALLS taps" taps "$BURST_CALLS"
  after_burst "$BURST_CALLS more taps" taps "$BURST_CALLS"
  after_burst "$BURST_CALLS GetAll" properties "$BURST_CALLS"
  after_burst "$BURST_CALLS calls of no method" unknown "$BURST_CALLS"
  after_burst "100 layouts asked with 100,000 property names" layout 100 100000
  verdict "bus: a group of 100,000 clicks on 終了 is refused" eval \
    '[[ $(timeout 120 "${PANEL[@]}" burst "$ITEM" events 1 100000) == 0 ]] && alive "$PID"'
  # A caller that goes away in the middle of its burst.
  timeout 120 "${PANEL[@]}" burst "$ITEM" taps 100000 > /dev/null 2>&1 &
  local caller=$!
  keep_pid "$caller"
  sleep 1
  kill -KILL "$caller" 2> /dev/null
  end_process "$caller"
  verdict "bus: after a caller left in the middle of its burst the program answers" eval \
    'alive "$PID" && timeout 30 "${PANEL[@]}" get "$ITEM" Title | grep -q Velorwind'
  burst_memory_given_back "a burst whose caller left"
  verdict "bus: a tap still shows or hides the dialog" eval '
    local before=$(visible_dialog_count)
    timeout 30 "${PANEL[@]}" call "$ITEM" Activate 0 0 &&
      wait_for "$REACTION_SECONDS" eval "[[ \$(visible_dialog_count) -ne $before ]]"'
  verdict "bus: after the bursts the program ends with 0 at SIGTERM" eval '
    kill -TERM "$PID" && collect_exit "$PID" && ((EXIT_CODE == 0))'
}

# --- Another user, and no XDG_RUNTIME_DIR ----------------------------------------
# Without XDG_RUNTIME_DIR, another local user (nobody) takes /tmp/velorwind-UID,
# the place anyone could take, as a folder or a link, before the program
# starts. The program runs as a user of its own (uid 4242) whose home folder
# it keeps its socket in; a home folder that is missing or cannot be written
# refuses the start with one line.

FALLBACK_UID=4242

as_user() { setpriv --reuid="$(id -u "$1")" --regid="$(id -g "$1")" --clear-groups -- "${@:2}"; }
taken_by_nobody() { [[ $(stat -c %U "$1" 2> /dev/null) == nobody ]]; }

# fallback_command HOME: the program as FALLBACK_UID, without XDG_RUNTIME_DIR.
fallback_command() {
  local index command=()
  runtime_command "$FALLBACK_TREE" /nonexistent
  for index in "${!PROGRAM_COMMAND[@]}"; do
    case ${PROGRAM_COMMAND[index]} in
      XDG_RUNTIME_DIR=*) command+=(HOME="$1") ;;
      env) command+=(env -u XDG_RUNTIME_DIR -u XDG_CACHE_HOME) ;;
      *) command+=("${PROGRAM_COMMAND[index]}") ;;
    esac
  done
  PROGRAM_COMMAND=(setpriv --reuid="$FALLBACK_UID" --regid="$FALLBACK_UID" --clear-groups -- "${command[@]}")
}

taken_runs_anyway() {
  local home=$1 status
  fallback_command "$home"
  start_instance
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  timeout "$EXIT_SECONDS" "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1
  status=$?
  ((status == 0)) || { note "second start ended with $status"; return 1; }
  [[ $(all_dialogs | wc -l) -eq 1 ]] || { note "dialog windows: $(all_dialogs | wc -l)"; return 1; }
  [[ -n "$(find "$home/.cache" -type s -name 'velorwind-*' 2> /dev/null)" ]] || { note "no socket in $home/.cache"; return 1; }
  kill -TERM "$PID" && collect_exit "$PID" && ((EXIT_CODE == 0))
}

refused_home() {
  local status message
  fallback_command "$1"
  timeout "$EXIT_SECONDS" "${PROGRAM_COMMAND[@]}" > "$session_dir/refused.log" 2>&1
  status=$?
  message=$(grep -F -- "$2" "$session_dir/refused.log")
  note "exit code $status: ${message:-no reason given}"
  ((status == 1)) && [[ -n "$message" ]] && [[ -z "$(all_dialogs)" ]]
}

runtime_folder_checks() {
  if ((EUID != 0)) || ! command -v setpriv > /dev/null; then
    echo "SKIP: another user and no XDG_RUNTIME_DIR (needs root and setpriv)"
    return 0
  fi
  local shared taken=/tmp/velorwind-$FALLBACK_UID home
  # A tree another user can read, outside this run's private folder.
  shared=$(mktemp -d "${TMPDIR:-/tmp}/velorwind-fallback.XXXXXX") && chmod 755 "$shared"
  FALLBACK_TREE=$shared/tree
  make_tree "$FALLBACK_TREE" && chmod -R a+rX "$FALLBACK_TREE"
  for home in folder link missing read-only; do
    [[ $home == missing ]] || { mkdir -m 700 "$shared/$home" && chown "$FALLBACK_UID:$FALLBACK_UID" "$shared/$home"; }
  done
  chmod 500 "$shared/read-only"
  rm -rf "$taken"
  as_user nobody mkdir -m 755 "$taken"
  taken_by_nobody "$taken" || fail "nobody takes $taken as a folder"
  verdict "no XDG_RUNTIME_DIR: with $taken another user's folder, the program starts, once" \
    taken_runs_anyway "$shared/folder"
  rm -rf "$taken"
  as_user nobody ln -s /tmp "$taken"
  taken_by_nobody "$taken" || fail "nobody takes $taken as a link"
  verdict "no XDG_RUNTIME_DIR: with $taken another user's link, the program starts, once" \
    taken_runs_anyway "$shared/link"
  rm -rf "$taken"
  verdict "no XDG_RUNTIME_DIR and a home folder that is missing: exit 1, the reason, no dialog" \
    refused_home "$shared/missing" "cannot be used"
  verdict "no XDG_RUNTIME_DIR and a home folder it cannot write: exit 1, the reason, no dialog" \
    refused_home "$shared/read-only" "cannot be made"
  rm -rf "$shared" "/tmp/runtime-$FALLBACK_UID"
}

# --- No font for Japanese ---------------------------------------------------------

missing_font_checks() {
  local fonts=$session_dir/fonts.conf
  [[ -d /usr/share/fonts/truetype/dejavu ]] ||
    { fail "a font without Japanese at /usr/share/fonts/truetype/dejavu (fonts-dejavu-core)"; return 1; }
  printf '%s\n' '<?xml version="1.0"?>' '<fontconfig>' \
    '  <dir>/usr/share/fonts/truetype/dejavu</dir>' "  <cachedir>$session_dir/font-cache</cachedir>" \
    '</fontconfig>' > "$fonts"
  mkdir -m 700 "$session_dir/font-runtime"
  runtime_command "$TREE" "$session_dir/font-runtime"
  PROGRAM_COMMAND=(env FONTCONFIG_FILE="$fonts" "${PROGRAM_COMMAND[@]}")
  "${PROGRAM_COMMAND[@]}" > "$session_dir/font.log" 2>&1 &
  PID=$!
  keep_pid "$PID"
  verdict "no Japanese font: one line names the packages, and the program runs on" eval '
    wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog &&
    [[ $(grep -c "fonts-ipafont-gothic or fonts-noto-cjk" "$session_dir/font.log") -eq 1 ]] ||
      { note "said: $(cat "$session_dir/font.log")"; false; }'
  end_process "$PID"
}

main() {
  local tool
  for tool in Xvfb trayer xdotool xwininfo import convert compare identify prlimit unshare nsenter \
    setpriv flock dbus-daemon; do
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

  hung_disk_checks
  end_signal_checks
  bus_burst_checks
  runtime_folder_checks
  missing_font_checks
  stop_display

  report_and_exit
}

main
