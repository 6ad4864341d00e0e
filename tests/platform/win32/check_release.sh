#!/usr/bin/env bash
# Checks the Windows release: the zip holds velorwind.exe, README.txt and
# LICENSE in one folder named like the zip, the read-me is a text for
# Windows (UTF-8 with its mark, every line ended by CR LF) that says how to
# start the program with the session, minimised, and how to quit it, and the
# executable needs no DLL but the system's own.
#
#   check_release.sh ZIP OBJDUMP
set -uo pipefail
zip=${1:?usage: check_release.sh ZIP OBJDUMP}
objdump=${2:?usage: check_release.sh ZIP OBJDUMP}
folder=$(basename "$zip" .zip)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

(cd "$work" && cmake -E tar xf "$zip") || { fail "the zip unpacks"; exit 1; }
listed=$(cd "$work" && find . -type f | sort | tr '\n' ' ')
expected="./$folder/LICENSE ./$folder/README.txt ./$folder/velorwind.exe "
[[ "$listed" == "$expected" ]] || fail "contents: $listed (expected $expected)"

readme=$work/$folder/README.txt
if [[ -f "$readme" ]]; then
  [[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" == efbbbf ]] || fail "README.txt has no UTF-8 mark"
  lines=$(tr -cd '\n' < "$readme" | wc -c)
  crlf=$(grep -c $'\r$' "$readme")
  ((lines > 0 && crlf == lines)) || fail "README.txt: $crlf of $lines lines end in CR LF"
  [[ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' ')" == 0d0a ]] || fail "README.txt: the last line is not ended"
  for topic in 'shell:startup' '"Minimized"' '終了' 'MIT License'; do
    grep -qF -- "$topic" "$readme" || fail "README.txt does not mention $topic"
  done
fi

# The DLLs every Windows 10 and 11 has in its system folder.
system_dlls='^(kernel32|user32|gdi32|shell32|shcore|ole32|oleacc|dwmapi|msvcrt|advapi32)\.dll$'
while read -r dll; do
  [[ "${dll,,}" =~ $system_dlls ]] || fail "velorwind.exe needs $dll"
done < <("$objdump" -p "$work/$folder/velorwind.exe" | awk '/DLL Name:/ { print $3 }')
"$objdump" -h "$work/$folder/velorwind.exe" | grep -q ' \.rsrc ' || fail "no resource section"
"$objdump" -h "$work/$folder/velorwind.exe" | grep -q ' \.debug_' && fail "debugging symbols shipped"

((failures == 0)) && echo "PASS: $folder.zip"
exit $((failures > 0))
