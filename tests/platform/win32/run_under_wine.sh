#!/usr/bin/env bash
# Runs a Windows test program under Wine and exits with its exit code.
#
#   run_under_wine.sh [--display] PREFIX PROGRAM [ARGUMENT...]
#
# PREFIX is the build's Wine prefix, made on first use. Without --display
# the program runs without a display: the portable tests open no window.
# With --display it gets a virtual X display of its own with a tray host
# (tests/end_to_end/x_session.sh), and a fresh Wine server whose desktop
# lives there; the server ends with the run.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/platform/win32/wine_prefix.sh
source "$here/wine_prefix.sh"

display=
if [[ "${1:-}" == --display ]]; then display=1; shift; fi
prefix=${1:?usage: run_under_wine.sh [--display] PREFIX PROGRAM [ARGUMENT...]}; shift
wine_prepare "$prefix" || exit 1

# The services Wine starts with its server outlive the program by seconds
# and keep whatever output they inherited open, which the test runner would
# wait for: the program writes to a file, shown once it has ended.
run_wine() {
  local output status=0
  output=$(mktemp) || return 1
  wine "$@" > "$output" 2>&1 || status=$?
  cat "$output"
  rm -f "$output"
  return "$status"
}

if [[ -z "$display" ]]; then
  unset DISPLAY
  run_wine "$@"
  exit $?
fi

# shellcheck source=tests/end_to_end/x_session.sh
source "$here/../../end_to_end/x_session.sh"
trap end_wine_session EXIT
trap 'exit 130' INT TERM
x_session_begin
start_display 1024x600 && start_tray_host || exit 1
wine_restart
run_wine "$@"
