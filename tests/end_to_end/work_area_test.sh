#!/usr/bin/env bash
# Runs the real program on a desktop with a window manager (openbox) whose
# panels reserve space, and checks that the dialog comes out inside the
# work area (the screen less that space) whenever it is shown: under a
# panel that started after the program, between panels on every edge, in
# a work area smaller than itself (its caption stays on screen), and on a
# screen that shrank while it was hidden; a dialog already inside stays
# where the user put it. The screen is a nested X server (Xephyr, in a
# window on a virtual display) so that it can change size; the panels are
# strut_panel's dock windows, the tray is trayer.
#
#   work_area_test.sh PROGRAM MAKE_STATUS_TREE STRUT_PANEL
#
# Each check prints one PASS or FAIL line; the exit status is the number of
# failed checks (capped), 0 when all pass.
set -uo pipefail

usage="usage: work_area_test.sh PROGRAM MAKE_STATUS_TREE STRUT_PANEL"
program=${1:?$usage}
make_status_tree=${2:?$usage}
strut_panel=${3:?$usage}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/end_to_end/x_session.sh
source "$here/x_session.sh"
# shellcheck source=tests/end_to_end/harness.sh
source "$here/harness.sh"

SCREEN_WIDTH=800
SCREEN_HEIGHT=600
PANEL_RGB='#FF00FF'

require_tools() {
  local missing=() tool
  for tool in Xvfb Xephyr openbox trayer xdotool xwininfo xprop xrandr xmessage import convert; do
    command -v "$tool" > /dev/null || missing+=("$tool")
  done
  if ((${#missing[@]})); then
    fail "tools present (missing: ${missing[*]}; scripts/setup installs them)"
    exit 1
  fi
}

# --- The desktop ---------------------------------------------------------------

# start_screen: Xephyr at SCREEN_WIDTHxSCREEN_HEIGHT in a window of the
# virtual display; sets DISPLAY to it. Unlike Xvfb it can change its size
# (xrandr). The number is claimed as start_display claims one.
start_screen() {
  local attempt number
  for ((attempt = 0; attempt < 40; attempt++)); do
    number=$((100 + (RANDOM + attempt * 7) % 800))
    [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]] && continue
    Xephyr ":$number" -screen "${SCREEN_WIDTH}x$SCREEN_HEIGHT" -nolisten tcp -noreset \
      > "$session_dir/xephyr.log" 2>&1 &
    SCREEN_PID=$!
    keep_pid "$SCREEN_PID"
    if wait_for 10 nested_display_serves "$number"; then
      DISPLAY=:$number
      export DISPLAY
      return 0
    fi
    end_process "$SCREEN_PID"
  done
  echo "Xephyr did not start:" >&2; cat "$session_dir/xephyr.log" >&2
  return 1
}

nested_display_serves() {
  process_gone "$SCREEN_PID" && return 1
  [[ "$(tr -d ' \n' 2>/dev/null < "/tmp/.X$1-lock")" == "$SCREEN_PID" ]] &&
    DISPLAY=:$1 bounded xwininfo -root > /dev/null 2>&1
}

start_window_manager() {
  # Its own settings, whatever the user running the test has chosen.
  XDG_CONFIG_HOME=$session_dir/config openbox > "$session_dir/openbox.log" 2>&1 &
  keep_pid $!
  wait_for 10 window_manager_ready
}

# The window manager announces the work area once it manages the screen.
window_manager_ready() { work_area > /dev/null; }

# work_area: the current work area as "LEFT TOP WIDTH HEIGHT"; sets AREA_X,
# AREA_Y, AREA_WIDTH, AREA_HEIGHT. It is what the window manager announces,
# within the screen, as Qt takes it too.
work_area() {
  local values right bottom screen_width screen_height
  values=$(bounded xprop -root -notype _NET_WORKAREA 2>/dev/null) || return 1
  [[ "$values" =~ =\ *([0-9]+),\ *([0-9]+),\ *([0-9]+),\ *([0-9]+) ]] || return 1
  read -r screen_width screen_height < <(screen_size) && [[ -n "$screen_height" ]] || return 1
  AREA_X=${BASH_REMATCH[1]} AREA_Y=${BASH_REMATCH[2]}
  right=$((AREA_X + BASH_REMATCH[3])) bottom=$((AREA_Y + BASH_REMATCH[4]))
  AREA_WIDTH=$(((right < screen_width ? right : screen_width) - AREA_X))
  AREA_HEIGHT=$(((bottom < screen_height ? bottom : screen_height) - AREA_Y))
  echo "$AREA_X $AREA_Y $AREA_WIDTH $AREA_HEIGHT"
}

screen_size() {
  bounded xwininfo -root 2>/dev/null | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }'
}

work_area_is() { [[ "$(work_area)" == "$1" ]]; }

# Under a window manager trayer's panel is no child of the root window.
find_tray_panel() {
  TRAYER_PANEL=$(bounded xdotool search --classname '^panel$' 2>/dev/null | head -n1)
  [[ -n "$TRAYER_PANEL" ]] && window_viewable "$TRAYER_PANEL"
}

# panels EDGE THICKNESS...: strut_panel's panels instead of any before;
# waits until the window manager has taken their space off the work area,
# which it announces as EXPECTED_AREA.
panels() {
  local expected=$1; shift
  [[ -z "${PANEL_PID:-}" ]] || end_process "$PANEL_PID"
  PANEL_PID=
  if (($#)); then
    "$strut_panel" "$@" > "$session_dir/panel.out" 2>&1 &
    PANEL_PID=$!
    keep_pid "$PANEL_PID"
  fi
  wait_for "$REACTION_SECONDS" work_area_is "$expected" ||
    { note "work area $(work_area), expected $expected"; return 1; }
  # The tray sits in the bottom right-hand corner, which these panels cover:
  # it comes above them, as a tray in its own panel does.
  bounded xdotool windowraise "$TRAYER_PANEL" 2> /dev/null
  wait_for "$REACTION_SECONDS" stacked_over_panels
}

# stacked_over_panels: the tray's icon is what the screen shows at its
# centre, not a panel.
stacked_over_panels() {
  local icon
  icon=$(tray_icons | head -n1)
  geometry "$icon" || return 1
  bounded import -window root -crop "1x1+$((X + WIDTH / 2))+$((Y + HEIGHT / 2))" "$session_dir/icon.png" 2>/dev/null &&
    ! has_colour "$session_dir/icon.png" "$PANEL_RGB"
}

# --- What the user sees -----------------------------------------------------------

# inside_work_area: the dialog's frame lies wholly in the work area.
inside_work_area() {
  geometry "$DIALOG" && work_area > /dev/null || return 1
  ((X >= AREA_X && Y >= AREA_Y && X + WIDTH <= AREA_X + AREA_WIDTH &&
    Y + HEIGHT <= AREA_Y + AREA_HEIGHT))
}

placed_at() { geometry "$DIALOG" && ((X == $1 && Y == $2)); }

# learn_caption: the caption's colour, as the dialog in front first shows
# it; sets CAPTION_RGB (and CAPTION_TOP, CAPTION_HEIGHT).
learn_caption() {
  caption_height "$DIALOG" || return 1
  CAPTION_RGB=$(bounded convert "$session_dir/caption.png" -crop "1x1+2+$((CAPTION_TOP + 1))" \
                -depth 8 -format '#%[hex:p{0,0}]' info:- 2>/dev/null | cut -c1-7)
  [[ "$CAPTION_RGB" =~ ^#[0-9A-Fa-f]{6}$ ]]
}

# caption_visible: on the screen as a whole, the part of the dialog's
# caption within the work area is at least half the caption, shows no panel
# and is mostly the caption's colour (the rest is the title and buttons).
caption_visible() {
  geometry "$DIALOG" && work_area > /dev/null || return 1
  local left top right bottom shot=$session_dir/screen.png
  left=$((X < AREA_X ? AREA_X : X)) top=$((Y + CAPTION_TOP < AREA_Y ? AREA_Y : Y + CAPTION_TOP))
  right=$((X + WIDTH > AREA_X + AREA_WIDTH ? AREA_X + AREA_WIDTH : X + WIDTH))
  bottom=$((Y + CAPTION_TOP + CAPTION_HEIGHT))
  ((bottom > AREA_Y + AREA_HEIGHT)) && bottom=$((AREA_Y + AREA_HEIGHT))
  ((2 * (right - left) >= WIDTH && bottom - top == CAPTION_HEIGHT)) ||
    { note "caption in the work area: $((right - left))x$((bottom - top)) of ${WIDTH}x$CAPTION_HEIGHT"; return 1; }
  bounded import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" "$shot" 2>/dev/null ||
    return 1
  local panel caption all
  panel=$(colour_share "$shot" "$PANEL_RGB") caption=$(colour_share "$shot" "$CAPTION_RGB")
  all=$(((right - left) * (bottom - top)))
  ((panel == 0 && 2 * caption >= all)) ||
    { note "caption rows: $panel panel pixels, $caption of $all in the caption's colour"; return 1; }
}

# colour_share FILE #RRGGBB: how many pixels of FILE have that colour.
colour_share() {
  bounded convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:int(mean*w*h+0.5)]' info:- 2>/dev/null
}

# cover_dialog: another program's window takes the focus, so that the next
# tap brings the dialog to the front rather than hide it.
cover_dialog() {
  xmessage -geometry 200x80+300+300 "another program" > /dev/null 2>&1 &
  OTHER_PID=$!
  keep_pid "$OTHER_PID"
  wait_for "$REACTION_SECONDS" other_window_mapped || return 1
  bounded xdotool windowactivate "$OTHER" 2> /dev/null
  wait_for "$REACTION_SECONDS" focused_window_is "$OTHER"
}

other_window_mapped() {
  OTHER=$(bounded xdotool search --onlyvisible --class '^Xmessage$' 2>/dev/null | head -n1)
  [[ -n "$OTHER" ]]
}

uncover_dialog() { end_process "$OTHER_PID"; }

# tap_shows_in_front: a tap on the icon; the dialog comes to the front.
tap_shows_in_front() {
  tap_tray_icon || { note "no icon to tap"; return 1; }
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not in front"; return 1; }
}

hide_with_ok() {
  press_caption_ok "$DIALOG" && wait_for "$REACTION_SECONDS" dialog_hidden
}

# drag_caption_to X Y: the user drags the dialog by its caption until its
# corner is at X, Y, and lets go there.
drag_caption_to() {
  geometry "$DIALOG" || return 1
  local result=0
  bounded xdotool mousemove $((X + 8)) $((Y + CAPTION_TOP + CAPTION_HEIGHT / 2)) mousedown 1 || return 1
  # The window manager takes over the move a moment after the press; the
  # pointer moves on until the dialog follows it there.
  wait_for "$REACTION_SECONDS" pointer_drags_to "$1" "$2" || { note "dragged to $X,$Y, not $1,$2"; result=1; }
  bounded xdotool mouseup 1
  last_click_ms=$(now_ms)
  ((result == 0)) && wait_for "$REACTION_SECONDS" placed_at "$1" "$2"
}

pointer_drags_to() {
  bounded xdotool mousemove $(($1 + 7)) $(($2 + CAPTION_TOP + CAPTION_HEIGHT / 2)) \
    mousemove $(($1 + 8)) $(($2 + CAPTION_TOP + CAPTION_HEIGHT / 2)) && placed_at "$1" "$2"
}

# where: the dialog's place and the work area, for the log.
where() { geometry "$DIALOG" && note "dialog at $X,$Y (${WIDTH}x$HEIGHT); work area $(work_area)"; }

# --- Checks -------------------------------------------------------------------

check_first_start() {
  start_instance
  FIRST=$PID
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  wait_for "$REACTION_SECONDS" tray_icon_count_is 1 || { note "tray icons: $(tray_icon_count)"; return 1; }
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not in front"; return 1; }
  learn_caption || { note "no caption found"; return 1; }
  where
  inside_work_area && caption_visible
}

# The panel comes after the program, over the dialog's caption.
check_late_panel() {
  panels "0 48 $SCREEN_WIDTH $((SCREEN_HEIGHT - 48))" top 48 || return 1
  cover_dialog || { note "could not put another window in front"; return 1; }
  tap_shows_in_front || return 1
  where
  inside_work_area && caption_visible || return 1
  uncover_dialog
}

check_stays_where_put() {
  drag_caption_to 190 200 || return 1
  hide_with_ok || { note "OK did not hide"; return 1; }
  tap_shows_in_front || return 1
  where
  placed_at 190 200 && caption_visible
}

# The dialog stands out past the right-hand panel.
check_panel_on_each_edge() {
  panels "40 30 $((SCREEN_WIDTH - 80)) $((SCREEN_HEIGHT - 60))" top 30 bottom 30 left 40 right 40 || return 1
  cover_dialog || return 1
  tap_shows_in_front || return 1
  where
  inside_work_area && caption_visible || return 1
  uncover_dialog
}

check_smaller_work_area() {
  hide_with_ok || { note "OK did not hide"; return 1; }
  panels "100 200 $((SCREEN_WIDTH - 200)) $((SCREEN_HEIGHT - 200 - 250))" \
    left 100 right 100 top 200 bottom 250 || return 1
  tap_shows_in_front || return 1
  where
  placed_at 100 200 && caption_visible
}

check_screen_shrinks_while_hidden() {
  panels "0 0 $SCREEN_WIDTH $SCREEN_HEIGHT" && geometry "$DIALOG" || return 1
  drag_caption_to $((SCREEN_WIDTH - WIDTH - 10)) $((SCREEN_HEIGHT - HEIGHT - 10)) || return 1
  hide_with_ok || { note "OK did not hide"; return 1; }
  bounded xrandr -s 640x480 2> /dev/null || { note "xrandr could not make the screen smaller"; return 1; }
  wait_for "$REACTION_SECONDS" work_area_is "0 0 640 480" || { note "work area $(work_area)"; return 1; }
  # trayer stays where the screen ended; the program is started again.
  timeout "$EXIT_SECONDS" "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1 ||
    { note "the second start failed"; return 1; }
  wait_for "$REACTION_SECONDS" dialog_in_front || { note "dialog not in front"; return 1; }
  where
  inside_work_area && caption_visible
}

check_close_ends() {
  press_caption_close "$DIALOG" || return 1
  ends_with_zero "$FIRST"
}

main() {
  require_tools
  [[ -x "$program" && -x "$strut_panel" ]] || { fail "program and strut_panel exist"; exit 1; }
  x_session_begin
  "$make_status_tree" "$session_dir/tree" > /dev/null || { fail "status tree written"; exit 1; }
  prepare_runtime_folder
  : > "$session_dir/program.log"
  if ! start_display 1024x768 || ! start_screen || ! start_window_manager || ! start_tray_host; then
    fail "a nested screen with openbox and trayer"
    exit 1
  fi
  program_command "$program" "$session_dir/tree"
  note "screen $DISPLAY (${SCREEN_WIDTH}x$SCREEN_HEIGHT, Xephyr), openbox, trayer"

  if verdict "first start: the dialog inside the work area, its caption visible" check_first_start; then
    verdict "a panel started after the program over the caption: a tap brings the dialog out below it" \
      check_late_panel
    verdict "a dialog dragged inside the work area stays there when hidden and shown" check_stays_where_put
    verdict "a panel on each edge: a tap brings the dialog inside all four" check_panel_on_each_edge
    verdict "a work area smaller than the dialog: shown at its corner, the caption on screen" \
      check_smaller_work_area
    verdict "the screen shrinks while the dialog is hidden: a second start shows it within" \
      check_screen_shrinks_while_hidden
    verdict "caption close ends the program with 0" check_close_ends
  fi
  report_and_exit
}

main
