# Shared by the scripts: an Xvfb display and a Wine prefix of our own.
# Source it, then call start_display and wine_prefix DIR; stop_all runs on exit.
# Everything started here is stopped by its own PID or its own prefix.
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

# _display_up N: our Xvfb is alive and answers on :N.
_display_up() {
  kill -0 "$_xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$1" ] && xdpyinfo -display ":$1" >/dev/null 2>&1
}
# Starts an Xvfb on the first free display from ${DISPLAY_BASE:-90} up and exports DISPLAY.
# Another Xvfb may take the same number at the same moment: then ours dies and we try the next.
start_display() {
  local n=${DISPLAY_BASE:-90} tries
  for (( tries = 0; tries < 20; tries++ )); do
    while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
    Xvfb ":${n}" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    _xvfb_pid=$!
    if wait_until 5 _display_up "$n"; then
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

# Makes (or reuses) a Wine prefix of the kind WINEARCH in DIR and exports WINEPREFIX.
# A prefix of the other kind, left by an earlier run, is made anew: Wine cannot change it.
# Managed=N: with no window manager on Xvfb, managed windows get no frames and
# every window that closes stalls about two seconds.
# USB_PREFIX_TEMPLATE=DIR: a new prefix is a copy of DIR, which the first new prefix fills; where
# Wine is slow to set one up (the virtual machine that runs the PE32's layers: a minute or more
# each), every later layer saves that minute.
wine_prefix() {
  export WINEPREFIX="$1"
  if [ -f "$WINEPREFIX/system.reg" ] && ! grep -qx "#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    local template=${USB_PREFIX_TEMPLATE:-}
    if [ -n "$template" ] && grep -qx "#arch=$WINEARCH" "$template/system.reg" 2>/dev/null; then
      cp -a "$template/." "$WINEPREFIX/"
    else
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      if [ -n "$template" ] && [ ! -e "$template" ]; then
        mkdir -p "$template" && cp -a "$WINEPREFIX/." "$template/"
      fi
    fi
  fi
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wine_prefix_fonts
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
wine_prefix_fonts() {
  local face fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [ -f "$wine_marlett" ]; then
    mkdir -p "$fonts"
    cmp -s "$wine_marlett" "$fonts/marlett.ttf" || cp "$wine_marlett" "$fonts/marlett.ttf"
  else
    echo "no $wine_marlett (package fonts-wine, scripts/setup): the title bar's buttons draw as letters" >&2
  fi
  # Gone already in a prefix that was set up before: that is no failure.
  wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'MS Sans Serif' /f >/dev/null 2>&1 || true
  for face in 'MS Sans Serif' Verdana; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'DejaVu Sans Condensed' /f >/dev/null 2>&1
  done
}

stop_all() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$_xvfb_pid" ]; then kill "$_xvfb_pid" 2>/dev/null || true; wait "$_xvfb_pid" 2>/dev/null || true; fi
  _xvfb_pid=""
}
