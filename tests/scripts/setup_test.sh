#!/usr/bin/env bash
# Checks the two package sets of scripts/setup against what the program and
# scripts/run really use:
#   - the run set (scripts/run) is part of the test set (scripts/test), and
#     every name in them is a package installed here;
#   - every file the program maps while it shows its dialog on a virtual
#     display with a tray, every Qt platform plug-in it can load (X11 and
#     Wayland), the commands scripts/run calls and the build tools come
#     with the run set: from its packages or what they depend on;
#   - where packages cannot be installed, setup says so in one line that
#     names them and the command that installs them, and ends with 1.
#
#   setup_test.sh SETUP PROGRAM MAKE_STATUS_TREE
#
# Each check prints one PASS or FAIL line; the exit status is the number of
# failed checks (capped), 0 when all pass.
set -uo pipefail

usage="usage: setup_test.sh SETUP PROGRAM MAKE_STATUS_TREE"
setup=${1:?$usage}
program=${2:?$usage}
make_status_tree=${3:?$usage}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/end_to_end/x_session.sh
source "$here/../end_to_end/x_session.sh"
# shellcheck source=tests/end_to_end/harness.sh
source "$here/../end_to_end/harness.sh"

PYTHON=/usr/bin/python3
# What scripts/run calls beyond the shell's own, and the build's tools.
RUN_COMMANDS=(cmake ninja g++ pkg-config Xvfb trayer xdotool xwininfo import convert ps)

check_lists() {
  mapfile -t RUN < <("$setup" --list run) && mapfile -t TEST < <("$setup" --list test) || return 1
  note "${#RUN[@]} packages to run, ${#TEST[@]} to test"
  ((${#RUN[@]} > 0 && ${#TEST[@]} > ${#RUN[@]})) || return 1
  local package duplicates not_installed=() outside=()
  duplicates=$(printf '%s\n' "${TEST[@]}" | sort | uniq -d | tr '\n' ' ')
  [[ -z "$duplicates" ]] || { note "named twice: $duplicates"; return 1; }
  for package in "${RUN[@]}"; do
    printf '%s\n' "${TEST[@]}" | grep -qxF -- "$package" || outside+=("$package")
  done
  ((${#outside[@]} == 0)) || { note "to run, not to test: ${outside[*]}"; return 1; }
  for package in "${TEST[@]}"; do
    [[ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" == "install ok installed" ]] ||
      not_installed+=("$package")
  done
  ((${#not_installed[@]} == 0)) || { note "not installed packages: ${not_installed[*]}"; return 1; }
}

# loaded_files FILE: the files the program maps once its dialog is drawn,
# written to FILE.
loaded_files() {
  program_command "$program" "$session_dir/tree"
  start_instance
  wait_for "$FIRST_WINDOW_SECONDS" the_visible_dialog || { note "no dialog"; return 1; }
  wait_for "$FIRST_WINDOW_SECONDS" gauges_drawn "$DIALOG" "$session_dir/shot.png" ||
    { note "no gauges drawn"; return 1; }
  awk '$6 ~ /^\// { print $6 }' "/proc/$PID/maps" | sort -u > "$1"
  [[ -s "$1" ]]
}

# The Qt platform plug-ins beside the X11 one the program loaded: on a
# Wayland desktop it loads those.
platform_plugins() {
  local xcb folder
  xcb=$(grep -m1 '/platforms/libqxcb\.so$' "$1") || return 1
  folder=$(dirname "$(dirname "$xcb")")
  find "$folder/platforms" "$folder"/wayland-* -name '*.so' 2>/dev/null
}

check_run_set_provides() {
  local loaded=$session_dir/loaded files=$session_dir/files command
  loaded_files "$loaded" || return 1
  { cat "$loaded"; platform_plugins "$loaded"; } > "$files"
  # Debian's own commands, whatever else is on PATH.
  for command in "${RUN_COMMANDS[@]}"; do
    PATH=/usr/sbin:/usr/bin:/sbin:/bin command -v "$command" >> "$files" || { note "no command $command"; return 1; }
  done
  note "$(wc -l < "$loaded") files mapped, $(($(wc -l < "$files") - $(wc -l < "$loaded"))) plug-ins and commands"
  "$PYTHON" "$here/provided_by.py" "$files" "$program" "${RUN[@]}"
}

# --- Where nothing can be installed ---------------------------------------------

# stub NAME SCRIPT: a command of that name on the stubs' PATH.
stub() {
  printf '#!/bin/sh\n%s\n' "$2" > "$session_dir/stubs/$1"
  chmod 755 "$session_dir/stubs/$1"
}

# setup_without NAME...: setup --run, where dpkg says the packages named are
# not installed, and whatever would install them fails as the caller's
# stubs say; sets STATUS, OUT (standard output) and ERR (standard error).
setup_without() {
  local pattern
  pattern=$(IFS='|'; echo "$*")
  stub dpkg-query 'for p; do :; done
case "$p" in '"$pattern"') echo "unknown ok not-installed";; *) echo "install ok installed";; esac'
  OUT=$(PATH=$session_dir/stubs:$PATH TMPDIR=$session_dir "${AS_USER[@]}" "$session_dir/setup" --run 2> "$session_dir/err" < /dev/null)
  STATUS=$?
  ERR=$(cat "$session_dir/err")
  note "exit $STATUS; said: ${OUT:+$OUT / }$ERR"
}

# one_line_naming NAME...: STATUS 1, standard error one line that names
# each package and the command that installs them.
one_line_naming() {
  local package
  ((STATUS == 1)) && [[ -n "$ERR" && $(wc -l <<< "$ERR") -eq 1 ]] || return 1
  [[ "$ERR" == *"apt-get install"* ]] || return 1
  for package; do [[ "$ERR" == *" $package"* ]] || return 1; done
}

check_no_root() {
  # Someone who is not root, and no sudo that works without a terminal.
  AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  ((EUID == 0)) || AS_USER=()
  stub sudo 'echo "sudo: a terminal is required to read the password" >&2; exit 1'
  stub apt-get 'echo "apt-get must not run" >&2; exit 100'
  setup_without trayer fonts-ipafont-gothic
  one_line_naming trayer fonts-ipafont-gothic && [[ -z "$OUT" ]]
}

check_apt_fails() {
  AS_USER=()
  stub sudo 'exec "$@"'
  stub apt-get 'case "$1" in update) exit 0;; esac
echo "E: Unable to locate package xdotool" >&2; exit 100'
  setup_without xdotool
  one_line_naming xdotool
}

main() {
  [[ -x "$setup" && -x "$program" && -x "$PYTHON" ]] || { fail "setup, program and python3 exist"; exit 1; }
  x_session_begin
  chmod 755 "$session_dir"
  mkdir -m 755 "$session_dir/stubs"
  # A copy that any user can run, wherever the sources are.
  install -m 755 "$setup" "$session_dir/setup"
  "$make_status_tree" "$session_dir/tree" > /dev/null || { fail "status tree written"; exit 1; }
  prepare_runtime_folder
  : > "$session_dir/program.log"
  if verdict "the run set is part of the test set, every name an installed package" check_lists; then
    if start_display 800x600 && start_tray_host; then
      verdict "what the program loads, scripts/run calls and the build uses comes with the run set" \
        check_run_set_provides
    else
      fail "display with a tray host"
    fi
  fi
  verdict "not root and no sudo: one line names the missing packages and the command, exit 1" \
    check_no_root
  verdict "apt-get fails: one line names the missing package and the command, exit 1" check_apt_fails
  report_and_exit
}

main
