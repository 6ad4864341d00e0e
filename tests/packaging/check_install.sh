#!/usr/bin/env bash
# check_install.sh BUILD_DIR: installs the build into a private folder and
# checks that every desktop file lands where sessions, menus, manual readers
# and software centres look for it.
set -u
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "PASS: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

DESTDIR=$stage cmake --install "$build" --prefix /usr/local > "$stage.log" 2>&1 ||
  { cat "$stage.log"; echo "FAIL: cmake --install"; exit 1; }
rm -f "$stage.log"

root=$stage/usr/local
check "the program is installed and runnable" test -x "$root/bin/velorwind"
check "the menu entry" test -f "$root/share/applications/velorwind.desktop"
# sized_with_alpha FILE WIDTHxHEIGHT (ImageMagick says True or Blend for alpha)
sized_with_alpha() {
  [[ "$(identify -format '%wx%h %A' "$1")" =~ ^$2\ (True|Blend)$ ]]
}

# Every size panels, menus and software centres ask the icon theme for, and
# the drawing for those that scale it.
for size in 16 22 24 32 48 64 128 256; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/velorwind.png
  check "the ${size}x${size} icon" test -f "$icon"
  if command -v identify > /dev/null; then
    check "the ${size}x${size} icon has that size and an alpha channel" \
      sized_with_alpha "$icon" "${size}x${size}"
  fi
done
scalable=$root/share/icons/hicolor/scalable/apps/velorwind.svg
check "the scalable icon" test -f "$scalable"
if command -v rsvg-convert > /dev/null; then
  check "the scalable icon draws" rsvg-convert --width=48 --height=48 --output="$stage/drawn.png" "$scalable"
fi
check "the manual page" test -f "$root/share/man/man1/velorwind.1"
check "the AppStream metadata under its component's name" \
  test -f "$root/share/metainfo/io.github.velorwind.velorwind.metainfo.xml"
check "the autostart entry where sessions look" test -f "$stage/etc/xdg/autostart/velorwind.desktop"
for entry in "$root/share/applications/velorwind.desktop" "$stage/etc/xdg/autostart/velorwind.desktop"; do
  check "$(basename "$(dirname "$entry")") entry starts the installed program" \
    grep -qx 'Exec=velorwind' "$entry"
done
check "the autostart entry is skipped once the program is removed" \
  grep -qx 'TryExec=velorwind' "$stage/etc/xdg/autostart/velorwind.desktop"
if command -v desktop-file-validate > /dev/null; then
  check "the menu entry is valid" desktop-file-validate "$root/share/applications/velorwind.desktop"
  check "the autostart entry is valid" desktop-file-validate "$stage/etc/xdg/autostart/velorwind.desktop"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
