# Shared by the scripts: an Xvfb display and a Wine prefix of our own, and the session of the two.
# Source it, then call wine_session PREFIX (or start_display and wine_prefix DIR, with at_exit
# stop_all). Everything started here is stopped by its own PID or its own prefix.
# The prefix's kind follows the Windows build that this machine runs (scripts/machine.sh):
# 32-bit where the machine runs 32-bit code, else 64-bit.

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/machine.sh"
machine_decide || return 1
export WINEARCH=$USB_WINEARCH
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 1252 for the program's Finnish texts; another locale would give another ANSI page.
export LC_ALL=C.UTF-8
unset LANGUAGE

_xvfb_pid=""

# wine_loader_path: for the 64-bit build, every `wine` started from here on (wineboot, wine reg,
# winepath, the test programs, USB.exe, and ctest's) starts Wine's 64-bit loader by its path:
# scripts/wine64 goes first on PATH. Always, not only where wine32 is installed (where Debian's
# `wine` would pick the 32-bit loader): so the path the scripts take is the same on every machine.
# For the 32-bit build that folder leaves PATH again.
wine_loader_path() {
  local shim=$_machine_root/scripts/wine64 rest=":$PATH:"
  while [[ "$rest" == *":$shim:"* ]]; do rest=${rest//":$shim:"/:}; done
  rest=${rest#:}; rest=${rest%:}
  if [ "$USB_WINEARCH" = win64 ]; then PATH=$shim${rest:+:$rest}; else PATH=$rest; fi
  export PATH
}
wine_loader_path

# _display_up N: our Xvfb is alive, holds :N, and answers there. "Holds": the display's lock file
# names our Xvfb. Another lane may start its Xvfb on the same number at the same moment; until
# the loser reads the lock and dies, both are alive and the winner answers on the socket, so
# without the lock's word two lanes shared one screen, and each one's windows took the other's
# focus and mouse.
_display_up() {
  local owner=""
  kill -0 "$_xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$1" ] || return 1
  read -r owner 2>/dev/null <"/tmp/.X$1-lock" || return 1
  [ "$owner" = "$_xvfb_pid" ] && xdpyinfo -display ":$1" >/dev/null 2>&1
}
# _display_settled N: our Xvfb is up on :N, or has died (the number was taken): no more waiting.
_display_settled() {
  _display_up "$1" || ! kill -0 "$_xvfb_pid" 2>/dev/null
}
# Starts an Xvfb on the first free display from ${DISPLAY_BASE:-90} up and exports DISPLAY.
# Another Xvfb may take the same number at the same moment: then ours dies and we try the next.
start_display() {
  local n=${DISPLAY_BASE:-90} tries
  for (( tries = 0; tries < 20; tries++ )); do
    while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
    Xvfb ":${n}" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    _xvfb_pid=$!
    if wait_until 20 _display_settled "$n" && _display_up "$n"; then
      export DISPLAY=":${n}"
      return 0
    fi
    kill "$_xvfb_pid" 2>/dev/null || true
    wait "$_xvfb_pid" 2>/dev/null || true
    _xvfb_pid=""
    n=$((n + 1))
  done
  echo "could not start an Xvfb display" >&2
  return 1
}

# wait_painted [GEOMETRY]: waits, up to 10 s, until the screen (or its part GEOMETRY, WxH+X+Y) shows
# the same picture three times running: what a window paints once it has opened, or where a box
# that closed stood, is painted then. Fails when the picture never settles.
_painted_last="" _painted_same=0 _painted_crop=""
_painted_unchanged() {
  local now
  now=$(import -window root ${_painted_crop:+-crop "$_painted_crop" +repage} rgb:- 2>/dev/null | md5sum)
  if [ "$now" = "$_painted_last" ]; then _painted_same=$((_painted_same + 1))
  else _painted_same=0; _painted_last=$now; fi
  [ "$_painted_same" -ge 2 ]
}
wait_painted() {
  _painted_crop=${1:-} _painted_last="" _painted_same=0
  wait_until 10 _painted_unchanged
}

# The new prefix that wineboot makes, kept to be copied: wineboot takes 10 to 25 s a prefix here
# (a minute or more in the virtual machine), a copy a fraction of a second, and a test run makes
# eight. USB_PREFIX_TEMPLATE=DIR names the copy; by default it is kept outside the clone, like the
# compiler cache, in USB_PREFIX_CACHE (default /var/cache/usb-test-prefix), one per kind of prefix
# and Wine's packages, so that a Wine that changes makes its own. Prints the folder.
wine_prefix_template() {
  if [ -n "${USB_PREFIX_TEMPLATE:-}" ]; then echo "$USB_PREFIX_TEMPLATE"; return; fi
  local key
  key=$( (echo "$WINEARCH $WINEDLLOVERRIDES"; dpkg-query -W -f='${Package} ${Version}\n' 'wine*' 2>/dev/null | sort) |
    sha256sum | cut -c1-16)
  echo "${USB_PREFIX_CACHE:-/var/cache/usb-test-prefix}/$WINEARCH-$key"
}

# Makes (or reuses) a Wine prefix of the kind WINEARCH in DIR and exports WINEPREFIX.
# A prefix of the other kind, left by an earlier run, is made anew: Wine cannot change it.
# A new one is a copy of the template (wine_prefix_template), which the first new one fills
# (under a lock, and only once it is whole: its "complete" mark).
# Managed=N: with no window manager on Xvfb, managed windows get no frames and
# every window that closes stalls about two seconds.
wine_prefix() {
  export WINEPREFIX="$1"
  if [ -f "$WINEPREFIX/system.reg" ] && ! grep -qx "#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    local template
    template=$(wine_prefix_template)
    if [ -f "$template/complete" ] && grep -qx "#arch=$WINEARCH" "$template/system.reg" 2>/dev/null; then
      _wine_prefix_copy "$template" "$WINEPREFIX"
    else
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      _wine_prefix_keep "$template"
    fi
  fi
  wine_prefix_settings
}

# _wine_prefix_copy TEMPLATE PREFIX: a new prefix from the template. The system folders, nine
# tenths of a prefix (600 MB of win32's, 1.2 GB of win64's), are hard links to the template's
# files: a test run makes nine prefixes, and whole copies filled a small disk. Wine writes no
# file there (a new Wine's wineboot would, but a template belongs to one Wine's packages, and
# that of a Wine that is gone is removed). A DLL that a test takes away goes by an override in
# the registry, and the folders themselves are the prefix's own. Where links cannot be made (the
# template on another file system) the files are copied. Everything else is copied: Wine writes
# the registry and the .ini files in place, and a link would carry one prefix's settings into
# the next.
_wine_prefix_copy() {
  local template=$1 prefix=$2 system systems=()
  for system in drive_c/windows/system32 drive_c/windows/syswow64; do
    [ -d "$template/$system" ] && systems+=("$system")
  done
  tar -C "$template" "${systems[@]/#/--exclude=./}" -c . | tar -C "$prefix" -x || return 1
  for system in "${systems[@]}"; do
    cp -al "$template/$system" "$prefix/$system" 2>/dev/null ||
      { rm -rf "${prefix:?}/$system"; cp -a "$template/$system" "$prefix/$system"; } || return 1
  done
  rm -f "$prefix/complete"
}

# _wine_prefix_keep TEMPLATE: keeps the new prefix WINEPREFIX as the template, unless another run
# kept one first. The copy goes in whole or not at all; a template that cannot be written is only
# slower, never a failure.
_wine_prefix_keep() {
  local template=$1 tmp
  [ -f "$WINEPREFIX/system.reg" ] || return 0
  mkdir -p "$(dirname "$template")" 2>/dev/null || return 0
  (
    flock 9
    [ -f "$template/complete" ] && exit 0
    tmp=$(mktemp -d "$template.making.XXXXXX") || exit 0
    if cp -a "$WINEPREFIX/." "$tmp/" && touch "$tmp/complete"; then
      rm -rf "$template" && mv "$tmp" "$template"
    fi
    rm -rf "$tmp"
    # The templates of a Wine that is gone are of no more use.
    for old in "$(dirname "$template")/$WINEARCH"-*; do
      [ "$old" = "$template" ] || [ ! -f "$old/complete" ] || rm -rf "$old"
    done
  ) 9>"$template.lock" 2>/dev/null || true
}

# Bold where the window asks for it. Unmapped, Verdana and MS Sans Serif fall to Liberation Sans,
# whose bold comes out barely heavier than its regular at 11 and 12 pixels; and where the prefix
# lists Wine's own MS Sans Serif (sserife.fon, a bitmap face), no replacement is looked for.
# Both faces go to DejaVu Sans Condensed (fonts-dejavu-extra): its bold is plainly bold, and it
# is narrow enough for the window (Label1's caption ends 20 px before Text1; "vakkura.example"
# is 97 of the link label's 105 px). Measured under Wine 8.0, 32- and 64-bit prefixes.
#
# The title bar's minimise, maximise and close buttons are glyphs of Wine's Marlett; without it
# they draw as the letters "0", "1" and "r". Wine 8 here loads only the prefix's C:\windows\Fonts
# and the system's fontconfig fonts, not its own folder (fonts-wine), so Marlett is copied in:
# that one font alone, since Wine's ms_sans_serif.ttf would take the place of the DejaVu mapping
# and change every width measured.
wine_marlett=/usr/share/wine/fonts/marlett.ttf
# A program that crashes ends at once, with its exception's code (0xC0000005 for an access
# violation) and Wine's backtrace on its standard output: by default Wine's debugger opens a
# dialog that no one on an Xvfb closes, and the crashed program waits under it until a time limit.
#
# wine_prefix_settings: the window manager setting, the fonts above and the crash dialog's, in one
# Wine process (each one costs seconds under the virtual machine's emulation). Done again on a
# prefix set up before.
wine_prefix_settings() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts reg=$WINEPREFIX/usb-settings.reg
  if [ -f "$wine_marlett" ]; then
    mkdir -p "$fonts"
    cmp -s "$wine_marlett" "$fonts/marlett.ttf" || cp --remove-destination "$wine_marlett" "$fonts/marlett.ttf"
  else
    echo "no $wine_marlett (package fonts-wine, scripts/setup): the title bar's buttons draw as letters" >&2
  fi
  # "=-" deletes the value; one that is gone already is no failure.
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]' '"MS Sans Serif"=-' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"MS Sans Serif"="DejaVu Sans Condensed"' '"Verdana"="DejaVu Sans Condensed"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' >"$reg"
  wine regedit /S "$(winpath "$reg")" >/dev/null 2>&1
  rm -f "$reg"
}

# wine_session PREFIX [SETUP...]: the Wine session that a test's or the demo's programs run in, set
# up in the one order that works:
#   - the display DISPLAY names, or else an Xvfb of its own (start_display);
#   - a wineserver that an earlier run left for PREFIX is stopped: the new one must start with this
#     environment (the sandbox's bus, which Wine's mount manager looks for only as its server starts);
#   - the prefix, made or reused (wine_prefix; WINEPREFIX is exported);
#   - SETUP, a command, runs before the wineserver that the programs will use starts: what Wine
#     reads as its server starts (drive letters in dosdevices, registry values that a `wine reg
#     add` in SETUP writes);
#   - one wineserver that stays up between the programs (each then starts in a fraction of a second
#     instead of about two and a half).
# On the way out (at_exit) the prefix's wineserver is stopped, and the Xvfb if this started it.
# Called again for another prefix, it stops the session it started before (one wineserver at a
# time). A WINEPREFIX of the caller's is never stopped: only PREFIX, which the caller names as its own.
_wine_session_prefix=""
wine_session() {
  local prefix=${1:?wine_session PREFIX [SETUP...]} quoted
  shift
  if [ -z "${DISPLAY:-}" ]; then
    start_display || return 1
    at_exit stop_display
  fi
  # (Each wineserver -k may find no server: no failure, also under set -e.)
  if [ -n "$_wine_session_prefix" ] && [ "$_wine_session_prefix" != "$prefix" ]; then
    WINEPREFIX=$_wine_session_prefix wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -f "$prefix/system.reg" ]; then WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; fi
  wine_prefix "$prefix" || { echo "the Wine prefix $prefix could not be made" >&2; return 1; }
  _wine_session_prefix=$WINEPREFIX
  printf -v quoted '%q' "$WINEPREFIX"
  at_exit "WINEPREFIX=$quoted wineserver -k >/dev/null 2>&1"
  if [ $# -gt 0 ]; then "$@" || { echo "the Wine session's set-up failed: $*" >&2; return 1; }; fi
  # The server that made the prefix, or that SETUP started, goes: the one that stays up starts
  # after SETUP. It saves the registry as it ends.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w || true
  wineserver -p || { echo "no wineserver could be started for $WINEPREFIX" >&2; return 1; }
}

stop_display() {
  if [ -n "$_xvfb_pid" ]; then kill "$_xvfb_pid" 2>/dev/null || true; wait "$_xvfb_pid" 2>/dev/null || true; fi
  _xvfb_pid=""
}
stop_all() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  stop_display
}
