#!/usr/bin/env bash
# The program's icon comes from one drawing: every image of the built icon
# file is, pixel for pixel, that drawing rendered at the image's size, and
# the sources hold no picture of the icon besides the drawing.
#
#   icon_source_test.sh ICON_FILE DRAWING SOURCE_DIR
#
# Each check prints one PASS or FAIL line; the exit status is 0 when all pass.
set -uo pipefail
usage='usage: icon_source_test.sh ICON_FILE DRAWING SOURCE_DIR'
icon_file=${1:?$usage}
drawing=${2:?$usage}
source_dir=${3:?$usage}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "PASS: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

for tool in icotool rsvg-convert compare; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool is missing (scripts/setup installs it)"; exit 1; }
done

# the_drawing_at FILE SIDE: FILE's pixels are the drawing's at SIDE pixels.
the_drawing_at() {
  local image=$1 side=$2 rendered=$work/rendered-$2.png differing
  rsvg-convert --width="$side" --height="$side" --format=png --output="$rendered" "$drawing" || return 1
  differing=$(compare -metric AE "$image" "$rendered" null: 2>&1) || true
  [[ "$differing" == 0 ]] && return 0
  echo "      $differing of $((side * side)) pixels differ"
  return 1
}

icotool --extract --output="$work" "$icon_file" || { echo "FAIL: the icon file unpacks"; exit 1; }
images=0
for image in "$work"/*x32.png; do
  [[ -e "$image" ]] || break
  side=${image##*_}; side=${side%%x*}
  check "the ${side} pixel image is the drawing rendered at ${side} pixels" the_drawing_at "$image" "$side"
  images=$((images + 1))
done
check "the icon file has images, each of 32 bits" test "$images" -gt 0 -a \
  "$images" -eq "$(icotool --list "$icon_file" | wc -l)"

# Pictures of the icon kept beside the drawing would drift from it.
kept=$(cd "$source_dir" && find resources packaging scripts \
         \( -iname '*.ico' -o -iname '*.png' -o -iname '*.bmp' -o -iname '*.xpm' \) \
         ! -path 'packaging/screenshots/*' -print)
check "no picture of the icon is kept besides the drawing${kept:+ (found: ${kept//$'\n'/ })}" \
  test -z "$kept"

echo "$failures failed"
((failures == 0))
