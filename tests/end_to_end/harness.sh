# shellcheck shell=bash
# Shared by the end-to-end tests (sourced, never run): verdicts, deadlines,
# and the program's instances, windows and idleness as the checks see them.
# The caller sources x_session.sh first and sets `program` and `session_dir`.

# Deadlines, generous for a sanitizer build on a busy machine; a passing run
# waits only as long as the program needs. A test may set its own first.
: "${FIRST_WINDOW_SECONDS:=15}"
: "${REACTION_SECONDS:=5}"
: "${EXIT_SECONDS:=10}"
# Hidden, the program must not run at all: no timer of its own or of Qt's
# is left armed, so from the hide on, over this span, it never wakes (a
# timer left armed makes one wake-up, a periodic one many, a busy loop
# thousands). The span starts once the program has handled the hide itself
# (the unmapping, the focus moving away): it has then not run for
# HIDE_SETTLED_SECONDS.
: "${IDLE_SECONDS:=60}"
: "${HIDE_SETTLED_SECONDS:=0.5}"
# A tray that starts late starts this long after the program.
: "${LATE_TRAY_SECONDS:=2}"

failures=0
started_ms=$(now_ms)

pass() { echo "PASS: $1 (at $(($(now_ms) - started_ms)) ms)"; }
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }
# verdict NAME COMMAND...: PASS when COMMAND succeeds; fails with it.
verdict() {
  local name=$1; shift
  if "$@"; then pass "$name"; return 0; fi
  fail "$name"
  return 1
}
note() { echo "      $*"; }

finish() {
  local status=$?
  x_session_end
  exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

# start_instance: the program in the background; sets PID.
start_instance() {
  "${PROGRAM_COMMAND[@]}" >> "$session_dir/program.log" 2>&1 &
  PID=$!
  keep_pid "$PID"
}

# collect_exit PID: waits for PID to end; sets EXIT_CODE (none on timeout).
collect_exit() {
  EXIT_CODE=
  wait_for "$EXIT_SECONDS" process_gone "$1" || return 1
  wait "$1"
  EXIT_CODE=$?
  forget_pid "$1"
}

alive() { ! process_gone "$1"; }
one_of_two_ended() { process_gone "$1" || process_gone "$2"; }

# ends_with_zero PID: PID ends in time, with exit code 0.
ends_with_zero() {
  collect_exit "$1" || { note "still running"; return 1; }
  note "exit code $EXIT_CODE"
  ((EXIT_CODE == 0))
}

# sleeps_when_idle PID: just hidden and left alone, the program does not
# run again.
sleeps_when_idle() {
  wait_for "$FIRST_WINDOW_SECONDS" hide_handled "$1" ||
    { note "still running ${FIRST_WINDOW_SECONDS} s after the hide"; return 1; }
  idle_wakeups "$1" "$IDLE_SECONDS" || { note "the program ended"; return 1; }
  note "hidden ${IDLE_SECONDS} s: $WAKEUPS wake-ups, ${CPU_US} µs on the processor"
  ((WAKEUPS == 0))
}

# hide_handled PID: the program did not run over HIDE_SETTLED_SECONDS.
hide_handled() {
  idle_wakeups "$1" "$HIDE_SETTLED_SECONDS" && ((WAKEUPS == 0))
}

# The dialog's window id, once exactly one is visible.
the_visible_dialog() { DIALOG=$(visible_dialogs); [[ $(wc -l <<< "$DIALOG") -eq 1 && -n "$DIALOG" ]]; }

dialog_hidden() { visible_dialog_count_is 0; }
dialog_in_front() { visible_dialog_count_is 1 && focused_window_is "$DIALOG"; }

# another_window: a second program's window over the dialog, focused; sets
# OTHER_PID and OTHER.
another_window() {
  xmessage -geometry 300x120+0+0 "another program" > /dev/null 2>&1 &
  OTHER_PID=$!
  keep_pid "$OTHER_PID"
  wait_for "$REACTION_SECONDS" xmessage_mapped || return 1
  bounded xdotool windowfocus "$OTHER" 2> /dev/null
  wait_for "$REACTION_SECONDS" focused_window_is "$OTHER" && stacked_above "$OTHER" "$DIALOG"
}

xmessage_mapped() {
  OTHER=$(bounded xwininfo -root -children 2>/dev/null | awk '/\("xmessage" "Xmessage"\)/ { print $1 }')
  [[ -n "$OTHER" ]] && window_viewable "$OTHER"
}


# save_layout NAME: waits for the first refresh tick to draw the gauges and
# saves the dialog as ARTIFACT_FOLDER/NAME.png (the caller's `artifacts`);
# sets SHOT_WIDTH, SHOT_HEIGHT.
save_layout() {
  local file=$artifacts/$1.png
  if ! wait_for "${LAYOUT_SECONDS:-$FIRST_WINDOW_SECONDS}" gauges_drawn "$DIALOG" "$session_dir/shot.png"; then
    cp "$session_dir/shot.png" "$artifacts/$1-without-gauges.png" 2>/dev/null
    note "no gauges drawn; last picture in $artifacts/$1-without-gauges.png"
    return 1
  fi
  cp "$session_dir/shot.png" "$file"
  read -r SHOT_WIDTH SHOT_HEIGHT < <(bounded identify -format '%w %h\n' "$file")
  note "saved $file (${SHOT_WIDTH}x${SHOT_HEIGHT})"
}

# report_and_exit: the program's output when a check failed, the count, and
# that count as the exit status (capped).
report_and_exit() {
  if ((failures)); then
    echo "program output:"; sed 's/^/      /' "$session_dir/program.log"
  fi
  echo "$failures failed, $(($(now_ms) - started_ms)) ms"
  exit $((failures > 100 ? 100 : failures))
}
