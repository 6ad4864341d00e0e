# shellcheck shell=bash
# Shared by the end-to-end test and scripts/run (sourced, never run): a
# virtual X display with a tray host, the program started on a prepared
# status tree, and the X queries and input that drive and watch it.
#
# Every process started here is recorded and ended by x_session_end, which
# the caller runs from its EXIT trap. Every wait polls with a deadline.

DIALOG_TITLE='Velorwind - ｼｽﾃﾑ情報'
# Colours the refresh fills the gauges with: the totals' plain field and the
# free share's bar. The dialog's own painting uses neither.
GAUGE_PLAIN_RGB='#AEA38F'
GAUGE_BAR_RGB='#F87623'
# Qt takes a second press within its double-click interval (400 ms) for a
# double click, which the program ignores by design; taps keep further apart.
TAP_SPACING_MS=600

session_pids=()
session_dir=
last_click_ms=0

now_ms() { date +%s%3N; }

# bounded COMMAND...: COMMAND, ended if it runs longer than any X query or
# picture conversion should. A display that stops answering then fails the
# check at hand instead of hanging the run.
X_TOOL_SECONDS=10
bounded() { timeout "$X_TOOL_SECONDS" "$@"; }

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds; fails when the
# deadline passes first.
wait_for() {
  local deadline
  deadline=$(($(now_ms) + $(awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }'))); shift
  until "$@"; do
    (($(now_ms) < deadline)) || return 1
    sleep 0.05
  done
}

# x_session_begin: a private folder for this run's files, removed at the end.
x_session_begin() {
  session_dir=$(mktemp -d "${TMPDIR:-/tmp}/velorwind-x.XXXXXX")
  chmod 700 "$session_dir"
}

# Ends what is left, the latest first: programs before the tray host before
# the display they talk to.
x_session_end() {
  local pids=("${session_pids[@]}") index
  for ((index = ${#pids[@]} - 1; index >= 0; index--)); do end_process "${pids[index]}"; done
  session_pids=()
  if [[ -n "$session_dir" ]]; then rm -rf "$session_dir"; fi
  session_dir=
}

# end_process PID: asks it to end, then forces it; collects it either way.
# Safe under errexit: a process already gone, or one that ends by the
# signal, is no failure here.
end_process() {
  kill -TERM "$1" 2>/dev/null || true
  wait_for 3 process_gone "$1" || kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  forget_pid "$1"
}

# process_gone PID: ended, whether or not its parent has collected it yet
# (an uncollected child still answers kill -0, as a zombie).
process_gone() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
  [[ -z "$state" || "$state" == Z* ]]
}

# keep_pid PID: ended by x_session_end.
keep_pid() { session_pids+=("$1"); }

# forget_pid PID: the caller has waited for it already.
forget_pid() {
  local kept=() pid
  for pid in "${session_pids[@]}"; do [[ "$pid" == "$1" ]] || kept+=("$pid"); done
  session_pids=("${kept[@]}")
}

# start_display WIDTHxHEIGHT: a virtual display; sets DISPLAY and XVFB_PID.
# The display number is claimed through the X server's lock file
# (/tmp/.XN-lock, taken atomically before the server opens its sockets and
# holding its pid): of two servers started on one number, one ends at once
# and the other is undisturbed. Xvfb's -displayfd is not used: with it the
# server takes no lock, and concurrent sessions were seen to end up on one
# number, with a display no client could open. Numbers start at a random
# point to keep concurrent sessions apart.
start_display() {
  local attempt number
  for ((attempt = 0; attempt < 40; attempt++)); do
    number=$((100 + (RANDOM + attempt * 7) % 800))
    [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]] && continue
    if try_display "$number" "$1"; then
      DISPLAY=:$number
      export DISPLAY
      return 0
    fi
  done
  echo "no virtual display could be started:" >&2; cat "$session_dir/xvfb.log" >&2
  return 1
}

# try_display NUMBER WIDTHxHEIGHT: an Xvfb on that display number, once it
# holds the number's lock and answers; fails when the number was taken.
try_display() {
  local deadline=$(($(now_ms) + 10000))
  # -noreset: a server that resets whenever its last client leaves (after
  # the readiness probe below, say) drops connections made meanwhile, and
  # the next client fails to open the display now and then.
  Xvfb ":$1" -screen 0 "${2}x24" -nolisten tcp -noreset > "$session_dir/xvfb.log" 2>&1 &
  XVFB_PID=$!
  keep_pid "$XVFB_PID"
  until display_serves "$1"; do
    if process_gone "$XVFB_PID" || (($(now_ms) >= deadline)); then
      end_process "$XVFB_PID"
      return 1
    fi
    sleep 0.05
  done
}

# display_serves NUMBER: our Xvfb holds the number's lock and accepts
# clients there.
display_serves() {
  local holder
  holder=$(tr -d ' \n' 2>/dev/null < "/tmp/.X$1-lock") || return 1
  [[ "$holder" == "$XVFB_PID" ]] && DISPLAY=:$1 bounded xwininfo -root > /dev/null 2>&1
}

# stop_display: ends this session's tray host and Xvfb.
stop_display() {
  [[ -z "${TRAYER_PID:-}" ]] || end_process "$TRAYER_PID"
  end_process "$XVFB_PID"
  TRAYER_PID=
  TRAYER_PANEL=
}

# start_tray_host [HEIGHT]: trayer at the bottom right, 24 pixels high
# unless told; sets TRAYER_PID and TRAYER_PANEL (the window the icons are
# embedded in). trayer owns the tray selection before it maps its panel, so
# a mapped panel means a program started now finds a tray.
start_tray_host() {
  trayer --edge bottom --align right --widthtype request --height "${1:-24}" \
    > "$session_dir/trayer.log" 2>&1 &
  TRAYER_PID=$!
  keep_pid "$TRAYER_PID"
  if ! wait_for 10 find_tray_panel; then
    echo "trayer did not map its panel:" >&2; cat "$session_dir/trayer.log" >&2
    return 1
  fi
}

find_tray_panel() {
  TRAYER_PANEL=$(bounded xwininfo -root -children 2>/dev/null |
                 awk '/\("panel" "trayer"\)/ && !found { print $1; found = 1 }')
  [[ -n "$TRAYER_PANEL" ]] && window_viewable "$TRAYER_PANEL"
}

# Queries are read whole before they are matched: a reader that stops at the
# first match would end the writer with SIGPIPE, which pipefail reports as a
# failure, now and then.
window_viewable() {
  [[ -n "$1" ]] || return 1
  [[ "$(bounded xwininfo -id "$1" 2>/dev/null)" == *"Map State: IsViewable"* ]]
}

# child_windows WINDOW: its direct children, one id a line.
child_windows() {
  # Without an id xwininfo would wait for a click on a window.
  [[ -n "$1" ]] || return 1
  local which=(-id "$1")
  [[ "$1" == root ]] && which=(-root)
  bounded xwininfo -children "${which[@]}" 2>/dev/null | awk '/^[[:space:]]+0x[0-9a-f]+ / { print $1 }'
}

# tray_icons: the icon windows embedded in the tray host, one a line. trayer
# gives each icon a socket window of its own and the icon is the socket's
# child.
tray_icons() {
  local socket
  for socket in $(child_windows "$TRAYER_PANEL"); do child_windows "$socket"; done
}

tray_icon_count() { tray_icons | wc -l; }
tray_icon_count_is() { [[ $(tray_icon_count) -eq $1 ]]; }

# all_tray_icon_count: icons embedded in every trayer panel on the display,
# for a tray host started twice.
all_tray_icon_count() {
  local panel socket count=0
  for panel in $(bounded xwininfo -root -children 2>/dev/null | awk '/\("panel" "trayer"\)/ { print $1 }'); do
    for socket in $(child_windows "$panel"); do count=$((count + $(child_windows "$socket" | wc -l))); done
  done
  echo "$count"
}
all_tray_icon_count_is() { [[ $(all_tray_icon_count) -eq $1 ]]; }

# visible_dialogs: the mapped windows titled exactly as the dialog, one id
# a line. The search takes a pattern; the title is then compared as text.
visible_dialogs() {
  local windows
  mapfile -t windows < <(bounded xdotool search --onlyvisible --name Velorwind 2>/dev/null)
  titled_exactly "${windows[@]}"
}
visible_dialog_count() { visible_dialogs | wc -l; }
visible_dialog_count_is() { [[ $(visible_dialog_count) -eq $1 ]]; }

# all_dialogs: mapped or not; the dialog keeps its window while hidden.
all_dialogs() {
  local windows
  mapfile -t windows < <(bounded xdotool search --name Velorwind 2>/dev/null)
  titled_exactly "${windows[@]}"
}

titled_exactly() {
  local window
  for window in "$@"; do
    [[ "$(bounded xdotool getwindowname "$window" 2>/dev/null)" == "$DIALOG_TITLE" ]] && echo "$window"
  done
  return 0
}

# stacked_above WINDOW OTHER: both are top-level and WINDOW is the higher
# (xwininfo lists the root's children from the top down).
stacked_above() {
  local window
  for window in $(child_windows root); do
    ((window == $1)) && return 0
    ((window == $2)) && return 1
  done
  return 1
}

focused_window_is() { [[ $(bounded xdotool getwindowfocus 2>/dev/null) -eq $(($1)) ]]; }

# geometry WINDOW: sets X, Y (on the screen), WIDTH and HEIGHT.
geometry() {
  local values
  values=$(bounded xdotool getwindowgeometry --shell "$1" 2>/dev/null) && [[ -n "$values" ]] || return 1
  eval "$values"
}

# program_command PROGRAM TREE: sets PROGRAM_COMMAND, the command that runs
# the program on the prepared status tree with this session's private
# runtime folder. Run as a simple command ("${PROGRAM_COMMAND[@]}" &), so that
# $! is the program itself.
# The session bus is pointed nowhere so that the icon goes to the XEmbed tray
# on this display, never to a StatusNotifierItem host of the desktop that
# runs the test, and no bus is launched on demand.
program_command() {
  # shellcheck disable=SC2034  # used by the scripts that source this file
  PROGRAM_COMMAND=(
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE
    -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u SESSION_MANAGER
    QT_QPA_PLATFORM=xcb DISPLAY="$DISPLAY"
    XDG_RUNTIME_DIR="$session_dir/runtime"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$session_dir/no-session-bus"
    VELORWIND_SYSFS="$2/sys" VELORWIND_PROCFS="$2/proc" "$1")
}

prepare_runtime_folder() { mkdir -m 700 "$session_dir/runtime"; }

# start_bus: a session bus of the test's own, which also starts the
# accessibility bus on demand; sets BUS_PID and points
# DBUS_SESSION_BUS_ADDRESS at it. Started again after it was killed, it
# takes the same address.
start_bus() {
  local address=$session_dir/bus
  rm -f "$address"
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$address" \
    > "$session_dir/bus.log" 2>&1 &
  BUS_PID=$!
  keep_pid "$BUS_PID"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$address"
  wait_for 10 test -S "$address"
}

# screenshot WINDOW FILE. Without a window import would wait for a click.
screenshot() {
  [[ -n "$1" ]] || return 1
  bounded import -window "$1" "$2" 2> "$session_dir/import.log"
}

# has_colour FILE #RRGGBB: the picture holds at least one pixel of it.
has_colour() {
  local histogram
  histogram=$(bounded convert "$1" -format %c histogram:info:- 2>/dev/null) || return 1
  [[ "${histogram^^}" == *"${2^^}"* ]]
}

# gauges_drawn WINDOW FILE: a screenshot in FILE that shows drawn gauges.
gauges_drawn() {
  screenshot "$1" "$2" && has_colour "$2" "$GAUGE_PLAIN_RGB" && has_colour "$2" "$GAUGE_BAR_RGB"
}

# shows_drawing PICTURE DRAWING SIDE: somewhere in PICTURE is the SVG
# DRAWING rendered at SIDE pixels: of the rendering's opaque pixels at most
# DRAWING_TOLERANCE percent differ by more than a tenth. Edges, partly
# transparent, are left out: each notification area blends them its own
# way. A drawing of that size scaled a little passes; a smaller image
# stretched up differs in a third of them or more, another picture in most.
# Sets DRAWING_DIFFERENCE to the percentage that differ.
DRAWING_TOLERANCE=15
shows_drawing() {
  local rendered=$session_dir/drawing.png flat=$session_dir/drawing-flat.png
  local opaque=$session_dir/drawing-opaque.png seen=$session_dir/drawing-seen.png
  local background at differing total
  DRAWING_DIFFERENCE=
  background=$(bounded convert "$1" -format '%[pixel:p{0,0}]' info:) &&
    rsvg-convert --width="$3" --height="$3" --format=png --output="$rendered" "$2" &&
    bounded convert "$rendered" -background "$background" -flatten "$flat" &&
    bounded convert "$rendered" -alpha extract -threshold 99.9% "$opaque" || return 1
  # Where the rendering fits best.
  at=$(bounded compare -metric RMSE -dissimilarity-threshold 1 -subimage-search "$1" "$flat" \
         null: 2>&1 | sed -n 's/.*@ \([0-9]*\),\([0-9]*\).*/+\1+\2/p' | head -n1)
  [[ -n "$at" ]] && bounded convert "$1" -crop "$3x$3$at" +repage -alpha off "$opaque" \
    -compose Multiply -composite "$seen" &&
    bounded convert "$flat" -alpha off "$opaque" -compose Multiply -composite "$flat" || return 1
  differing=$(bounded compare -metric AE -fuzz 10% "$seen" "$flat" null: 2>&1)
  total=$(bounded convert "$opaque" -format '%[fx:round(mean*w*h)]' info:)
  [[ "$differing" =~ ^[0-9]+$ && "$total" =~ ^[0-9]+$ ]] && ((total > 0)) || return 1
  DRAWING_DIFFERENCE=$((differing * 100 / total))
  ((DRAWING_DIFFERENCE <= DRAWING_TOLERANCE))
}

# click_at X Y [BUTTON]: one press and release of the first (or that) button.
click_at() {
  local wait_ms=$((last_click_ms + TAP_SPACING_MS - $(now_ms)))
  ((wait_ms <= 0)) || sleep "$(printf '0.%03d' "$wait_ms")"
  # No --sync: it waits for a motion that never comes when the pointer is
  # already there. The server takes the motion before the click anyway.
  bounded xdotool mousemove "$1" "$2" click "${3:-1}"
  last_click_ms=$(now_ms)
}

# tap_tray_icon [BUTTON]: a tap (or another button's click) at the centre of
# the one embedded icon.
tap_tray_icon() {
  local icon
  icon=$(tray_icons | head -n1)
  [[ -n "$icon" ]] || return 1
  geometry "$icon" || return 1
  click_at $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) "${1:-1}"
}

# menu_window: the program's pop-up menu once it is mapped; sets MENU. It is
# a small window of the program's class that is not the dialog.
menu_window() {
  local window
  MENU=
  for window in $(bounded xwininfo -root -children 2>/dev/null |
                  awk '/\("velorwind" "Velorwind"\)/ && !/ｼｽﾃﾑ情報/ { print $1 }'); do
    if window_viewable "$window"; then MENU=$window; return 0; fi
  done
  return 1
}

# choose_menu_entry INDEX COUNT: a click on entry INDEX (from 0) of the mapped
# menu of COUNT entries of one height.
choose_menu_entry() {
  geometry "$MENU" || return 1
  click_at $((X + WIDTH / 2)) $((Y + (2 * $1 + 1) * HEIGHT / (2 * $2)))
}

# idle_wakeups PID SECONDS: how often the process's threads ran (context
# switches) and how much processor time they used over SECONDS while
# nothing happens; sets WAKEUPS and CPU_US.
idle_wakeups() {
  local before_switches before_ns after_switches after_ns
  read -r before_switches before_ns < <(process_activity "$1") || return 1
  sleep "$2"
  read -r after_switches after_ns < <(process_activity "$1") || return 1
  WAKEUPS=$((after_switches - before_switches))
  CPU_US=$(((after_ns - before_ns) / 1000))
}

# process_activity PID: context switches and nanoseconds on the processor,
# over all its threads.
process_activity() {
  local task switches=0 ns=0 on_cpu waited slices
  for task in /proc/"$1"/task/*; do
    read -r on_cpu waited slices < "$task/schedstat" 2>/dev/null || continue
    switches=$((switches + slices))
    ns=$((ns + on_cpu))
  done
  [[ -d /proc/$1 ]] && echo "$switches $ns"
}

# caption_height DIALOG: the height of the caption the program draws on the
# first rows of the dialog, measured on a screenshot down a column left of
# the title text; sets CAPTION_TOP (the frame's border) and CAPTION_HEIGHT.
caption_height() {
  local picture=$session_dir/caption.png
  screenshot "$1" "$picture" || return 1
  # Rows of "x,y: (r,g,b)  #RRGGBB  ..." from the top down.
  read -r CAPTION_TOP CAPTION_HEIGHT < <(
    bounded convert "$picture" -crop "1x64+2+0" +repage -depth 8 txt:- 2>/dev/null | awk '
      /^[0-9]/ { colour[n++] = $3 }
      END {
        top = (colour[0] == colour[1]) ? 0 : 1
        height = 0
        while (top + height < n && colour[top + height] == colour[top]) height++
        print top, height
      }')
  [[ -n "$CAPTION_HEIGHT" ]] && ((CAPTION_HEIGHT >= 8 && CAPTION_HEIGHT < 64))
}

# The caption's buttons are squares of its height less a margin of 2 on each
# side, close at the right end and OK left of it, 2 apart; OK is at least as
# wide as it is high.
press_caption_close() {
  geometry "$1" && caption_height "$1" || return 1
  local side=$((CAPTION_HEIGHT - 4))
  click_at $((X + WIDTH - CAPTION_TOP - 2 - side / 2)) $((Y + CAPTION_TOP + CAPTION_HEIGHT / 2))
}

press_caption_ok() {
  geometry "$1" && caption_height "$1" || return 1
  local side=$((CAPTION_HEIGHT - 4))
  click_at $((X + WIDTH - CAPTION_TOP - 2 - side - 2 - side / 2)) \
           $((Y + CAPTION_TOP + CAPTION_HEIGHT / 2))
}
