# shellcheck shell=bash
# The verdicts of the end-to-end tests (sourced after x_session.sh, never
# run): one PASS or FAIL line a check, notes under it, and the number of
# failed checks as the exit status. Whatever x_session.sh started ends with
# the script.

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

# report_and_exit: the program's output when a check failed, then the count
# as the exit status (capped).
report_and_exit() {
  if ((failures)); then
    echo "program output:"; sed 's/^/      /' "$session_dir/program.log"
  fi
  echo "$failures failed, $(($(now_ms) - started_ms)) ms"
  exit $((failures > 100 ? 100 : failures))
}
