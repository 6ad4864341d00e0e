# shellcheck shell=bash
# Shared by the scripts that run the Windows tests under Wine (sourced, never
# run): one Wine prefix per build folder, made once and reused by every test.

# wine_use PREFIX: the environment of every Wine run on PREFIX. No Mono or
# Gecko (never needed, and their installers would ask), no debugging output.
wine_use() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' WINEARCH=win64
  export VELORWIND_WINE_CARDS=$1-cards
}

# A card label of 32 UTF-16 units from many scripts, as the tests expect it.
WINE_LONG_LABEL='Ωμέγα Карта 카드 😀 ｶｰﾄﾞ 卡片 ĦŁ ÆØÅ'

# wine_add_cards PREFIX: four removable drives, E: and F: both labelled
# SDCARD, G: with the long label, H: with no medium (its folder is missing).
# Wine reads a drive's label from .windows-label in its root, and its type
# from the registry when the server starts.
wine_add_cards() {
  local cards=$1-cards drive folder
  rm -rf "$cards"
  mkdir -p "$cards/sd1" "$cards/sd2" "$cards/long"
  echo SDCARD > "$cards/sd1/.windows-label"
  echo SDCARD > "$cards/sd2/.windows-label"
  printf '%s\n' "$WINE_LONG_LABEL" > "$cards/long/.windows-label"
  for drive in e:sd1 f:sd2 g:long h:none; do
    folder=${drive#*:}
    ln -sfn "$cards/$folder" "$1/dosdevices/${drive%%:*}:"
    wine reg add 'HKLM\Software\Wine\Drives' /v "${drive%%:*}:" /t REG_SZ /d floppy /f || return 1
  done
}

# wine_prepare PREFIX: makes the prefix once, under a lock, so that
# concurrent first runs wait for one wineboot instead of racing.
wine_prepare() {
  wine_use "$1"
  mkdir -p "$(dirname "$1")"
  (
    flock 9
    [[ -f "$1/velorwind-ready" ]] && exit 0
    rm -rf "$1"
    env -u DISPLAY wineboot --init > "$1.log" 2>&1 || { cat "$1.log" >&2; exit 1; }
    # The test displays have no window manager: Wine places, frames and
    # focuses its windows itself, as the desktop's own manager would.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >> "$1.log" 2>&1 &&
    wine_add_cards "$1" >> "$1.log" 2>&1 &&
    wineserver -w && touch "$1/velorwind-ready"
  ) 9> "$1.lock"
}

# wine_restart: ends the prefix's server and everything it runs, so the
# next run starts a desktop on the display it names.
wine_restart() {
  wineserver -k 2> /dev/null || true
  wineserver -w 2> /dev/null || true
}

# end_wine_session: for the EXIT trap of a script that runs Wine on an X
# session (x_session.sh): the server ends before the display it draws on,
# and the script keeps its exit status.
end_wine_session() {
  local status=$?
  wine_restart
  x_session_end
  exit "$status"
}
