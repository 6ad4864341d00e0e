#!/usr/bin/env bash
# package_test.sh BUILD_DIR SOURCE_DIR WORK_DIR: makes the Debian package from
# the built tree with packaging/make-deb and checks it as a user's system sees
# it: the file name, contents and control fields, lintian, the AppStream,
# desktop and manual page validators, and the installed program itself:
# dpkg installs the package into a scratch root, the program is started from
# there on a virtual display, and dpkg removes and purges it. Nothing is
# installed on this machine. First, versions the package cannot carry must be
# refused when the build is configured.
#
# Each check prints one PASS or FAIL line; the exit status is 0 when all pass.
set -uo pipefail

build=${1:?usage: package_test.sh BUILD_DIR SOURCE_DIR WORK_DIR}
source_dir=${2:?usage: package_test.sh BUILD_DIR SOURCE_DIR WORK_DIR}
work=${3:?usage: package_test.sh BUILD_DIR SOURCE_DIR WORK_DIR}
# shellcheck source=tests/end_to_end/x_session.sh
source "$source_dir/tests/end_to_end/x_session.sh"

FIRST_WINDOW_SECONDS=15
EXIT_SECONDS=10
COMPONENT=io.github.velorwind.velorwind

failures=0
check() {  # check DESCRIPTION COMMAND...: fails with COMMAND
  local what=$1; shift
  if "$@"; then echo "PASS: $what"; return 0; fi
  echo "FAIL: $what"
  failures=$((failures + 1))
  return 1
}
note() { echo "      $*"; }
trap x_session_end EXIT
trap 'exit 130' INT TERM

TOOLS="dpkg-deb dpkg-shlibdeps dpkg-gencontrol dpkg-parsechangelog lintian appstreamcli
       desktop-file-validate man Xvfb xdotool identify"
tools_present() {
  local missing
  missing=$(for tool in $TOOLS; do command -v "$tool" > /dev/null || printf '%s ' "$tool"; done)
  [[ -z "$missing" ]] || { note "missing: $missing(scripts/setup installs them)"; return 1; }
}

# --- Versions the package cannot carry ----------------------------------------

# Each row: a productVersion for resources/version.json, and what the
# configure step must say when it refuses it. The last one is a good version
# that the changelog has no entry for.
REFUSED_VERSIONS=(
  "1.0.0.5 beta|version.json: productVersion is missing or malformed: '1.0.0.5 beta'. It must be four numbers joined by dots"
  "v1.0.0.5|version.json: productVersion is missing or malformed: 'v1.0.0.5'"
  "1.0.0.5_rc1|version.json: productVersion is missing or malformed: '1.0.0.5_rc1'"
  "1:2.0.0.5|version.json: productVersion is missing or malformed: '1:2.0.0.5'"
  "|version.json: productVersion is missing or malformed: ''"
  "9.9.9.9|the latest entry is for $(dpkg-parsechangelog -l "$source_dir/packaging/debian/changelog" -SVersion), but resources/version.json gives 9.9.9.9: add an entry for 9.9.9.9."
)

# A copy of the sources without build folders, where version.json may change.
copy_sources() {
  copy=$work/sources
  rm -rf "$copy"
  mkdir -p "$copy"
  tar -C "$source_dir" --exclude='./build*' --exclude=./.git --exclude=./Testing -cf - . |
    tar -C "$copy" -xf -
}

# refused VERSION MESSAGE: configuring with VERSION fails, says MESSAGE and
# leaves no version to package.
refused() {
  local version=$1 message=$2 configured=$work/configured
  sed -E "s/(\"productVersion\": )\"[^\"]*\"/\\1\"$version\"/" \
    "$source_dir/resources/version.json" > "$copy/resources/version.json"
  grep -qF "\"productVersion\": \"$version\"" "$copy/resources/version.json" || return 1
  rm -rf "$configured"
  if cmake -S "$copy" -B "$configured" -G Ninja -DVELORWIND_TESTS=OFF -DVELORWIND_BENCH=OFF \
       > "$work/configure.log" 2>&1; then
    note "configured without complaint"
    return 1
  fi
  # CMake wraps its messages: compare with the lines joined.
  if ! tr '\n' ' ' < "$work/configure.log" | tr -s ' ' | grep -qF -- "$message"; then
    note "the message does not say: $message"
    sed 's/^/      | /' "$work/configure.log" | head -n 12
    return 1
  fi
  [[ ! -e "$configured/packaging/package-version" ]]
}

check_refused_versions() {
  copy_sources
  local row
  for row in "${REFUSED_VERSIONS[@]}"; do
    check "version '${row%%|*}' is refused when the build is configured" refused "${row%%|*}" "${row#*|}"
  done
}

# --- The package ---------------------------------------------------------------

# Every file the package installs; directories follow from them.
EXPECTED_FILES="\
/etc/xdg/autostart/velorwind.desktop
/usr/bin/velorwind
/usr/share/applications/velorwind.desktop
/usr/share/doc/velorwind/changelog.gz
/usr/share/doc/velorwind/copyright
/usr/share/icons/hicolor/128x128/apps/velorwind.png
/usr/share/icons/hicolor/16x16/apps/velorwind.png
/usr/share/icons/hicolor/22x22/apps/velorwind.png
/usr/share/icons/hicolor/24x24/apps/velorwind.png
/usr/share/icons/hicolor/256x256/apps/velorwind.png
/usr/share/icons/hicolor/32x32/apps/velorwind.png
/usr/share/icons/hicolor/48x48/apps/velorwind.png
/usr/share/icons/hicolor/64x64/apps/velorwind.png
/usr/share/icons/hicolor/scalable/apps/velorwind.svg
/usr/share/man/man1/velorwind.1.gz
/usr/share/metainfo/$COMPONENT.metainfo.xml"

make_package() {
  PACKAGE=$("$source_dir/packaging/make-deb" "$build" "$work/out" 2> "$work/make-deb.log") ||
    { sed 's/^/      | /' "$work/make-deb.log"; return 1; }
  [[ -f "$PACKAGE" ]]
}

package_named_for_version() {
  local expected
  expected=velorwind_${VERSION}_$(dpkg --print-architecture).deb
  [[ "$(basename "$PACKAGE")" == "$expected" ]] || { note "expected $expected"; return 1; }
}

# Ownership and modes are lintian's to check.
contents_as_expected() {
  local found
  found=$(dpkg-deb --contents "$PACKAGE" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' |
          LC_ALL=C sort)
  [[ "$found" == "$(LC_ALL=C sort <<< "$EXPECTED_FILES")" ]] && return 0
  diff <(LC_ALL=C sort <<< "$EXPECTED_FILES") <(echo "$found") | sed 's/^/      /'
  return 1
}

# Each row: a control field and the extended pattern its whole value matches.
control_rows() {
  cat <<ROWS
Package|velorwind
Version|${VERSION//./[.]}
Architecture|$(dpkg --print-architecture)
Maintainer|[^<>]+ <[^<>@ ]+@[^<>@ ]+>
Section|utils
Priority|optional
Installed-Size|[0-9]+
Recommends|qt6-wayland
Depends|(.*, )?qt6-qpa-plugins(, .*)?
Depends|(.*, )?fonts-ipafont-gothic \| fonts-noto-cjk \| fonts-vlgothic(, .*)?
Description|.+
ROWS
}

control_fields() {
  local field pattern value result=0
  while IFS='|' read -r field pattern; do
    value=$(dpkg-deb --field "$PACKAGE" "$field")
    if ! [[ "$value" =~ ^($pattern)$ ]]; then
      note "$field: '$value' does not match '$pattern'"
      result=1
    fi
  done < <(control_rows)
  return "$result"
}

# Every library the program links names a package that ships it, and the
# package depends on that package.
depends_on_linked_libraries() {
  local depended library owner result=0
  # The packages named in Depends, alternatives included, without versions.
  depended=$(dpkg-deb --field "$PACKAGE" Depends | tr ',|' '\n' | awk '{ print $1 }')
  for library in $(objdump -p "$ROOT/usr/bin/velorwind" | awk '$1 == "NEEDED" { print $2 }'); do
    owner=$(dpkg -S "*/$library" 2>/dev/null | head -n1 | cut -d: -f1)
    [[ -n "$owner" ]] || { note "no package ships $library"; result=1; continue; }
    grep -qxF "$owner" <<< "$depended" ||
      { note "$library comes from $owner, which Depends does not name"; result=1; }
  done
  return "$result"
}

control_files() {
  local control=$work/control
  rm -rf "$control"
  dpkg-deb --control "$PACKAGE" "$control" || return 1
  [[ "$(cat "$control/conffiles")" == "/etc/xdg/autostart/velorwind.desktop" ]] ||
    { note "conffiles: $(cat "$control/conffiles")"; return 1; }
  (cd "$ROOT" && md5sum --quiet -c "$control/md5sums") || return 1
  [[ $(wc -l < "$control/md5sums") -eq $(wc -l <<< "$EXPECTED_FILES") ]]
}

lintian_clean() {
  local output status
  output=$(lintian --fail-on error,warning --display-level '>=pedantic' "$PACKAGE" 2>&1)
  status=$?
  grep -v '^running with root privileges' <<< "$output" | sed '/^$/d; s/^/      /'
  return "$status"
}

# --- The installed files --------------------------------------------------------

# dpkg's own commands on a scratch root with a database of its own: the
# libraries the package depends on are this machine's, not the scratch
# root's, so its dependencies are not asked for there.
scratch_dpkg() {
  dpkg --root="$ROOT" --force-not-root "$@" >> "$work/dpkg.log" 2>&1 ||
    { sed 's/^/      | /' "$work/dpkg.log"; return 1; }
}

install_into_scratch_root() {
  ROOT=$work/root
  rm -rf "$ROOT" "$work/dpkg.log"
  mkdir -p "$ROOT/var/lib/dpkg/info" "$ROOT/var/lib/dpkg/updates"
  touch "$ROOT/var/lib/dpkg/status"
  scratch_dpkg --force-depends --install "$PACKAGE"
}

# files_left: what is left in the scratch root besides dpkg's database.
files_left() { (cd "$ROOT" && find . ! -type d ! -path './var/lib/dpkg/*' | sed 's/^\.//'); }

# Removing keeps the configuration file, as dpkg does; purging leaves nothing.
removed_then_purged() {
  scratch_dpkg --remove velorwind || return 1
  [[ "$(files_left)" == /etc/xdg/autostart/velorwind.desktop ]] ||
    { note "left after remove: $(files_left | tr '\n' ' ')"; return 1; }
  scratch_dpkg --purge velorwind || return 1
  [[ -z "$(files_left)" ]] || { note "left after purge: $(files_left | tr '\n' ' ')"; return 1; }
}

# appstream_clean COMMAND...: an appstreamcli validation that passes with
# nothing to say, not even a pedantic note.
appstream_clean() {
  local output status
  output=$(appstreamcli "$@" --pedantic --no-net 2>&1)
  status=$?
  sed 's/^/      /' <<< "$output"
  ((status == 0)) && ! grep -qE '^[[:space:]]*[EWIP]: ' <<< "$output"
}

# The release in the metadata is the package's, dated as its changelog entry.
metainfo_release() {
  local metainfo=$ROOT/usr/share/metainfo/$COMPONENT.metainfo.xml date
  date=$(date -u -d "$(dpkg-parsechangelog -l "$source_dir/packaging/debian/changelog" -SDate)" +%F)
  grep -qF "<release version=\"$VERSION\" date=\"$date\"/>" "$metainfo" ||
    { note "expected release $VERSION of $date: $(grep '<release ' "$metainfo")"; return 1; }
}

# The screenshot's address names a PNG kept in the repository, at the same
# path below the branch name.
screenshot_in_repository() {
  local address path
  address=$(sed -n 's|.*<image[^>]*>\(.*\)</image>.*|\1|p' \
    "$ROOT/usr/share/metainfo/$COMPONENT.metainfo.xml")
  path=${address#*/main/}
  [[ -n "$address" && "$path" != "$address" && -f "$source_dir/$path" ]] ||
    { note "no file in the repository for '$address'"; return 1; }
  [[ "$(identify -format %m "$source_dir/$path" 2>/dev/null)" == PNG ]]
}

desktop_entries_valid() {
  desktop-file-validate "$ROOT/usr/share/applications/velorwind.desktop" \
    "$ROOT/etc/xdg/autostart/velorwind.desktop"
}

manual_page_clean() {
  local warnings
  warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z \
               "$ROOT/usr/share/man/man1/velorwind.1.gz" 2>&1 > /dev/null)
  [[ -z "$warnings" ]] || { note "$warnings"; return 1; }
}

# The page has its sections, and its ENVIRONMENT section has an entry for
# every VELORWIND_ variable that the program reads.
manual_page_complete() {
  local page environment section variable result=0
  page=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$ROOT/usr/share/man/man1/velorwind.1.gz" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION ENVIRONMENT FILES "EXIT STATUS"; do
    grep -qx "$section" <<< "$page" || { note "no section $section"; result=1; }
  done
  environment=$(awk '/^ENVIRONMENT$/ { on = 1; next } /^[A-Z]/ { on = 0 } on' <<< "$page")
  for variable in $(grep -rhoE '"VELORWIND_[A-Z_]+"' "$source_dir"/{app,display,platform,resources,status,text} |
                    tr -d '"' | sort -u); do
    grep -qE "^ {7}$variable(,| |$)" <<< "$environment" ||
      { note "$variable has no entry"; result=1; }
  done
  return "$result"
}

# The licence text in the copyright file is the repository's LICENSE.
copyright_matches_license() {
  local copyright=$ROOT/usr/share/doc/velorwind/copyright text
  head -n1 "$copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' || return 1
  text=$(awk '/^License: Expat$/ { n++; next } n == 2' "$copyright" | sed 's/^ //; s/^\.$//')
  [[ -n "$text" ]] && grep -qF "$(head -n1 <<< "$text")" "$source_dir/LICENSE" &&
    diff <(echo "$text") <(sed -n '/^Permission is hereby granted/,$p' "$source_dir/LICENSE") > /dev/null
}

# --- The installed program ---------------------------------------------------

dialog_shown() { DIALOG=$(visible_dialogs); [[ -n "$DIALOG" && $(wc -l <<< "$DIALOG") -eq 1 ]]; }
dialog_focused() { focused_window_is "$DIALOG"; }

installed_program_runs() {
  local pid status
  x_session_begin
  "$source_dir/scripts/make-status-tree" "$session_dir/tree" > /dev/null || return 1
  prepare_runtime_folder
  start_display 640x480 || return 1
  program_command "$ROOT/usr/bin/velorwind" "$session_dir/tree"
  "${PROGRAM_COMMAND[@]}" > "$session_dir/program.log" 2>&1 &
  pid=$!
  keep_pid "$pid"
  if ! wait_for "$FIRST_WINDOW_SECONDS" dialog_shown || ! wait_for 5 dialog_focused; then
    note "no dialog in front; $(tail -n3 "$session_dir/program.log")"
    return 1
  fi
  bounded xdotool key Escape
  wait_for "$EXIT_SECONDS" process_gone "$pid" || { note "still running after Escape"; return 1; }
  wait "$pid"
  status=$?
  forget_pid "$pid"
  note "exit code $status"
  ((status == 0))
}

main() {
  check "tools present" tools_present || { echo "$failures failed"; exit 1; }
  mkdir -p "$work"
  VERSION=$(sed -nE 's/.*"productVersion": *"([^"]*)".*/\1/p' "$source_dir/resources/version.json")
  check_refused_versions

  check "make-deb packages the built tree" make_package || { echo "$failures failed"; exit 1; }
  check "the package is named for the version in version.json" package_named_for_version
  check "the package holds the expected files" contents_as_expected
  check "control fields" control_fields
  check "lintian reports no error and no warning" lintian_clean
  check "dpkg installs it into a scratch root" install_into_scratch_root ||
    { echo "$failures failed"; exit 1; }
  check "depends on the packages of every linked library" depends_on_linked_libraries
  check "conffiles and md5sums" control_files
  check "AppStream metadata valid (pedantic)" appstream_clean validate \
    "$ROOT/usr/share/metainfo/$COMPONENT.metainfo.xml"
  check "AppStream tree valid with its desktop entry (pedantic)" appstream_clean validate-tree "$ROOT"
  check "AppStream release is the package's, dated by the changelog" metainfo_release
  check "AppStream screenshot is a PNG in the repository" screenshot_in_repository
  check "desktop entries valid" desktop_entries_valid
  check "manual page renders without warnings" manual_page_clean
  check "manual page has its sections and every VELORWIND_ variable" manual_page_complete
  check "copyright is machine-readable and carries LICENSE" copyright_matches_license
  check "the installed program shows its dialog; Escape ends it with 0" installed_program_runs
  check "dpkg removes it, keeping the autostart entry, and purges it wholly" removed_then_purged

  echo "$failures failed"
  ((failures == 0))
}

main
