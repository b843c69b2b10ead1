# The running sandbox in which USB.exe does its whole job on Linux: program folder, live image,
# download server, stick, and the fake UDisks2 service on a private bus that plugs the stick in.
# (Packing a stick into a disk image is stick_image.sh's; booting one, boot.sh's.)
#
# Source it from bash (scripts/wine-env.sh alongside for the display and the prefix). Every function can
# be called again without harm; whatever one starts, sandbox_stop_all stops by its PID, so a caller says
#   at_exit 'sandbox_stop_all; stop_all'
# sandbox_up brings it all up in the one order that works: the bus before the prefix's first wine
# command (Wine's mount manager looks for the bus only when the wineserver starts), then the Wine
# session (wine_session) with the prefix's drive letters.
#
# Settings (set before sourcing or before the call):
#   SANDBOX_CACHE  where the live image and the kernel are kept between runs (default build/sandbox)
#   SANDBOX_RUN    where a running sandbox keeps its sockets, logs and device node (default: a new
#                  folder under SANDBOX_CACHE, removed by sandbox_stop_all)
#   SANDBOX_PREMADE_IMAGE  a live image made beforehand, to use as it is instead of making one

# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
: "${SANDBOX_CACHE:=$SANDBOX_REPO/build/sandbox}"

SANDBOX_PROGRAM_DIR=""
SANDBOX_IMAGE=""
SANDBOX_WWW=""
SANDBOX_STICK=""
SANDBOX_HTTP_PID=""
SANDBOX_HTTP_PORT=""
SANDBOX_HTTP_ROOT=""
SANDBOX_DBUS_PID=""
SANDBOX_UDISKS_PID=""
SANDBOX_UDISKS_STICK=""
SANDBOX_DEVICE_NODE=""
_sandbox_made_run=""

# _sandbox_started PID FILE: the process PID is running and has written FILE.
_sandbox_started() { _sandbox_alive "$1" && [ -s "$2" ]; }

# Makes the run folder once per sandbox. Call it as a command, not in $(...), so the name sticks.
_sandbox_rundir() {
  if [ -z "${SANDBOX_RUN:-}" ]; then
    mkdir -p "$SANDBOX_CACHE"
    SANDBOX_RUN=$(mktemp -d "$SANDBOX_CACHE/run.XXXXXX")
    _sandbox_made_run=1
  fi
  mkdir -p "$SANDBOX_RUN"
}

# sandbox_with_title FILE
# Prints FILE with the menu title (SANDBOX_MENU_TITLE) in place of @SANDBOX_MENU_TITLE@.
sandbox_with_title() {
  local text
  text=$(cat "${1:?sandbox_with_title FILE}") || return 1
  printf '%s\n' "${text//@SANDBOX_MENU_TITLE@/$SANDBOX_MENU_TITLE}"
}

# sandbox_syslinux_folder DIR
# Fills DIR with what the format tool copies onto the stick: the loader modules of
# SANDBOX_SYSLINUX_MODULES and our syslinux.cfg with the menu title. Existing copies are replaced.
sandbox_syslinux_folder() {
  local dir=${1:?sandbox_syslinux_folder DIR} m
  mkdir -p "$dir"
  for m in $SANDBOX_SYSLINUX_MODULES; do
    [ -f "$SANDBOX_SYSLINUX_MODULE_DIR/$m" ] || { _sandbox_say "$SANDBOX_SYSLINUX_MODULE_DIR/$m is missing (Debian package syslinux-common)"; return 1; }
    cp "$SANDBOX_SYSLINUX_MODULE_DIR/$m" "$dir/$m"
  done
  sandbox_with_title "$SANDBOX_LIB_DIR/syslinux.cfg" >"$dir/syslinux.cfg"
}

# sandbox_program_dir PREFIX
# Prints where the program folder (SANDBOX_PROGRAM_FOLDER, on C:) lies in the Wine prefix PREFIX.
sandbox_program_dir() {
  local prefix=${1:?sandbox_program_dir PREFIX} path=${SANDBOX_PROGRAM_FOLDER:2}
  case "$SANDBOX_PROGRAM_FOLDER" in
    [Cc]:\\*) printf '%s/drive_c%s\n' "$prefix" "${path//\\//}" ;;
    *) _sandbox_say "SANDBOX_PROGRAM_FOLDER must be a folder on C:, not $SANDBOX_PROGRAM_FOLDER"; return 1 ;;
  esac
}

# sandbox_program_folder PREFIX USB_EXE STANDINS_DIR
# Lays out the program folder (SANDBOX_PROGRAM_FOLDER) in the Wine prefix PREFIX: USB.exe, the
# stand-ins and the SYSLINUX folder. An empty USB_EXE or STANDINS_DIR leaves that part out (for a
# probe run before the program is built). Sets SANDBOX_PROGRAM_DIR. A leftover downloaded image is
# left alone.
sandbox_program_folder() {
  local prefix=${1:?sandbox_program_folder PREFIX USB_EXE STANDINS_DIR} exe=${2:-} standins=${3:-} tool
  SANDBOX_PROGRAM_DIR=$(sandbox_program_dir "$prefix") || return 1
  mkdir -p "$SANDBOX_PROGRAM_DIR"
  if [ -n "$exe" ]; then
    [ -f "$exe" ] || { _sandbox_say "no program at $exe (build it first)"; return 1; }
    cp "$exe" "$SANDBOX_PROGRAM_DIR/USB.exe"
  fi
  if [ -n "$standins" ]; then
    for tool in $SANDBOX_STANDINS; do
      [ -f "$standins/$tool" ] || { _sandbox_say "stand-in $standins/$tool is missing"; return 1; }
      cp "$standins/$tool" "$SANDBOX_PROGRAM_DIR/$tool"
    done
  fi
  sandbox_syslinux_folder "$SANDBOX_PROGRAM_DIR/SYSLINUX"
}

# sandbox_image
# Builds the demo live image unless the cache already has it. Sets SANDBOX_IMAGE (the .iso) and
# SANDBOX_WWW (the folder to serve: it holds files/SANDBOX_IMAGE_NAME).
sandbox_image() {
  if [ -n "${SANDBOX_PREMADE_IMAGE:-}" ]; then
    # Made elsewhere (the virtual machine that runs the PE32's layers has no GRUB to make it with).
    [ -s "$SANDBOX_PREMADE_IMAGE" ] || { _sandbox_say "no image at $SANDBOX_PREMADE_IMAGE"; return 1; }
    SANDBOX_IMAGE=$SANDBOX_PREMADE_IMAGE
  else
    SANDBOX_IMAGE=$("$SANDBOX_LIB_DIR/make-live-image" "$SANDBOX_CACHE") || return 1
  fi
  SANDBOX_WWW=$(dirname "$(dirname "$SANDBOX_IMAGE")")
}

# sandbox_http_start [WWW_DIR]
# Serves WWW_DIR (default SANDBOX_WWW) on a free port of 127.0.0.1 and exports http_proxy pointing
# at it, so that the downloader's requests for SANDBOX_DOWNLOAD_HOST land there. Sets
# SANDBOX_HTTP_PID and SANDBOX_HTTP_PORT. Already serving that folder, it only exports http_proxy again.
sandbox_http_start() {
  local www=${1:-$SANDBOX_WWW}
  [ -n "$www" ] && [ -d "$www" ] || { _sandbox_say "sandbox_http_start: no folder to serve (run sandbox_image first)"; return 1; }
  www=$(cd "$www" && pwd)
  if _sandbox_alive "$SANDBOX_HTTP_PID"; then
    if [ "$SANDBOX_HTTP_ROOT" = "$www" ]; then
      export http_proxy="http://127.0.0.1:$SANDBOX_HTTP_PORT/"
      return 0
    fi
    sandbox_http_stop
  fi
  _sandbox_rundir
  rm -f "$SANDBOX_RUN/http.port"
  "$SANDBOX_PYTHON" "$SANDBOX_LIB_DIR/http_server.py" "$www" "$SANDBOX_RUN/http.port" "$SANDBOX_DOWNLOAD_HOST" \
    </dev/null >>"$SANDBOX_RUN/http.log" 2>&1 &
  SANDBOX_HTTP_PID=$!
  if ! wait_until 60 _sandbox_started "$SANDBOX_HTTP_PID" "$SANDBOX_RUN/http.port"; then
    _sandbox_say "the download server did not start:"; cat "$SANDBOX_RUN/http.log" >&2
    _sandbox_kill "$SANDBOX_HTTP_PID"; SANDBOX_HTTP_PID=""
    return 1
  fi
  SANDBOX_HTTP_PORT=$(cat "$SANDBOX_RUN/http.port")
  SANDBOX_HTTP_ROOT=$www
  export http_proxy="http://127.0.0.1:$SANDBOX_HTTP_PORT/"
}

# sandbox_http_stop
# Stops the download server; http_proxy stays, so a download now meets a refused connection.
sandbox_http_stop() {
  _sandbox_kill "$SANDBOX_HTTP_PID"
  SANDBOX_HTTP_PID=""; SANDBOX_HTTP_ROOT=""
}

# sandbox_marker DIR [FACT...]
# Writes the sandbox marker into the stick folder DIR: a line that says what the folder is, then
# each FACT ("name: value") on a line of its own: "capacity: BYTES", the size of the stick the
# folder stands for, and "file-system: FAT32", which the format tool writes (standins/common/marker.h).
sandbox_marker() {
  local dir=${1:?sandbox_marker DIR [FACT...]}
  shift
  printf '%s\n' 'This folder is a VKR sandbox stick: the stand-in tools may erase it.' "$@" >"$dir/$SANDBOX_MARKER"
}

# sandbox_stick DIR [--empty]
# Makes DIR a sandbox stick: a folder with the marker file in its root, which the stand-in tools
# require before they touch a drive. The marker states the size of the stick that the folder
# stands for (SANDBOX_STICK_CAPACITY bytes, default an 8 GB stick): the extractor keeps to it,
# since the free space Windows reports for a folder drive is that of the disk it lies on. --empty
# clears it first, but only when it already is a sandbox stick (or empty), so a wrong path can
# never wipe someone's files. Sets SANDBOX_STICK.
sandbox_stick() {
  local dir=${1:?sandbox_stick DIR [--empty]} empty=${2:-}
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  if [ "$empty" = "--empty" ]; then
    if [ ! -f "$dir/$SANDBOX_MARKER" ] && [ -n "$(ls -A "$dir")" ]; then
      _sandbox_say "$dir holds files but no $SANDBOX_MARKER: not emptying it"
      return 1
    fi
    find "$dir" -mindepth 1 -delete
  fi
  [ -f "$dir/$SANDBOX_MARKER" ] || sandbox_marker "$dir" "capacity: ${SANDBOX_STICK_CAPACITY:-8000000000}"
  SANDBOX_STICK=$dir
}

# sandbox_udisks_start STICK_DIR
# Starts a private system bus and the fake UDisks2 service on it, with the stick unplugged, and
# exports DBUS_SYSTEM_BUS_ADDRESS. Needs root: the stick's block device node is made with mknod
# (a loop-device number that is never set up, so nothing can read through it).
# Sets SANDBOX_DBUS_PID, SANDBOX_UDISKS_PID and SANDBOX_DEVICE_NODE. Already running for that
# stick, it does nothing; for another stick it starts anew on a new bus (so Wine must start anew too).
sandbox_udisks_start() {
  local stick=${1:?sandbox_udisks_start STICK_DIR}
  stick=$(cd "$stick" && pwd) || return 1
  if _sandbox_alive "$SANDBOX_UDISKS_PID" && _sandbox_alive "$SANDBOX_DBUS_PID" && [ "$SANDBOX_UDISKS_STICK" = "$stick" ]; then
    return 0
  fi
  sandbox_udisks_stop
  [ "$(id -u)" -eq 0 ] || { _sandbox_say "the fake UDisks2 service needs root (mknod of the stick's device node)"; return 1; }
  "$SANDBOX_PYTHON" -c 'import dbus, gi' 2>/dev/null || { _sandbox_say "$SANDBOX_PYTHON lacks python3-dbus or python3-gi"; return 1; }
  _sandbox_rundir

  rm -f "$SANDBOX_RUN/bus.address"
  dbus-daemon --config-file="$SANDBOX_LIB_DIR/bus.conf" --nofork --nopidfile --print-address=3 \
    3>"$SANDBOX_RUN/bus.address" </dev/null >>"$SANDBOX_RUN/dbus.log" 2>&1 &
  SANDBOX_DBUS_PID=$!
  if ! wait_until 60 _sandbox_started "$SANDBOX_DBUS_PID" "$SANDBOX_RUN/bus.address"; then
    _sandbox_say "the private bus did not start:"; cat "$SANDBOX_RUN/dbus.log" >&2
    sandbox_udisks_stop; return 1
  fi
  DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$SANDBOX_RUN/bus.address")
  export DBUS_SYSTEM_BUS_ADDRESS

  SANDBOX_DEVICE_NODE=$SANDBOX_RUN/vkrstick1  # the name _sandbox_raw_link looks for
  [ -b "$SANDBOX_DEVICE_NODE" ] || mknod "$SANDBOX_DEVICE_NODE" b 7 250
  "$SANDBOX_PYTHON" "$SANDBOX_LIB_DIR/fake_udisks2.py" "$stick" "$SANDBOX_DEVICE_NODE" \
    </dev/null >>"$SANDBOX_RUN/udisks.log" 2>&1 &
  SANDBOX_UDISKS_PID=$!
  SANDBOX_UDISKS_STICK=$stick
  wait_until 60 eval '_sandbox_alive "$SANDBOX_UDISKS_PID" && sandbox_stick_state >/dev/null 2>&1' && return 0
  _sandbox_say "the fake UDisks2 service did not start:"; cat "$SANDBOX_RUN/udisks.log" >&2
  sandbox_udisks_stop
  return 1
}

sandbox_udisks_stop() {
  _sandbox_kill "$SANDBOX_UDISKS_PID"; SANDBOX_UDISKS_PID=""; SANDBOX_UDISKS_STICK=""
  _sandbox_kill "$SANDBOX_DBUS_PID"; SANDBOX_DBUS_PID=""
  if [ -n "$SANDBOX_DEVICE_NODE" ]; then rm -f "$SANDBOX_DEVICE_NODE"; SANDBOX_DEVICE_NODE=""; fi
}

# sandbox_wine_drives
# After the prefix is made (wine_prefix) and before the stick is plugged: d: is taken (an empty
# folder), so the stick gets the first free letter, E:, and the links that a killed session may
# have left for E: are cleared. (Made before wineboot, a dosdevices folder without c: breaks the
# new prefix: wine then exits with code 53.)
sandbox_wine_drives() {
  [ -n "${WINEPREFIX:-}" ] || { _sandbox_say "sandbox_wine_drives: WINEPREFIX is not set"; return 1; }
  [ -f "$WINEPREFIX/system.reg" ] || { _sandbox_say "sandbox_wine_drives: make the prefix first (wine_prefix)"; return 1; }
  mkdir -p "$WINEPREFIX/dosdevices" "$WINEPREFIX/drive_d"
  [ -L "$WINEPREFIX/dosdevices/d:" ] || ln -sfn ../drive_d "$WINEPREFIX/dosdevices/d:"
  rm -f "$WINEPREFIX/dosdevices/e:" "$WINEPREFIX/dosdevices/e::"
}

# sandbox_plug / sandbox_unplug / sandbox_stick_state
# Talk to the running fake UDisks2 service on DBUS_SYSTEM_BUS_ADDRESS. Plug and unplug print
# "plugged"/"unplugged" and fail when the stick already was so.
_sandbox_stick_call() {
  [ -n "${DBUS_SYSTEM_BUS_ADDRESS:-}" ] || { _sandbox_say "no sandbox bus (DBUS_SYSTEM_BUS_ADDRESS is not set)"; return 1; }
  dbus-send --bus="$DBUS_SYSTEM_BUS_ADDRESS" --print-reply=literal --reply-timeout=5000 \
    --dest=org.freedesktop.UDisks2 /vkr/sandbox/stick "vkr.sandbox.Stick.$1" | awk '{print $NF}'
}
sandbox_stick_state() { _sandbox_stick_call State; }
# A plug waits first, up to 30 s, until Wine's mount manager follows the bus: Wine's session
# services end with a session's last program and start again with the next one's, and a stick
# plugged before the new mount manager listens brings no notice (on a host it listens a second
# or two after the session's first program starts; under emulation, later). After that wait it
# goes ahead anyway. An unplug does not wait: between two sessions (a reset) nothing follows, and
# nothing needs to.
_sandbox_followed() { [ "$(_sandbox_stick_call Followed 2>/dev/null)" = true ]; }
_sandbox_wait_followed() {
  wait_until 30 _sandbox_followed ||
    _sandbox_say "no Wine mount manager follows the sandbox bus (is a Wine program running?): going ahead"
}
# The mount manager gives the plugged stick a raw device link as well ("e::" in dosdevices) to its
# device node, which nothing can read through. While that link stands, Wine answers a question
# about the stick's disk from the node, and cannot: the program's drive check then learns no bus,
# and refuses the stick, which Wine reports as a fixed drive. Without the link the mount manager
# answers as it does for every drive in dosdevices: SCSI, as a stick in a UAS enclosure says on
# Windows. The link is made before the arrival notice is sent.
_sandbox_raw_link() {
  local link
  for link in "${WINEPREFIX:-${SANDBOX_STATE_WINEPREFIX:-}}"/dosdevices/?::; do
    [ "$(basename "$(readlink "$link" 2>/dev/null)")" = vkrstick1 ] && { echo "$link"; return 0; }
  done
  return 1
}
_sandbox_drop_raw_link() {
  wait_until 20 _sandbox_raw_link >/dev/null || { _sandbox_say "the stick got no raw device link"; return 0; }
  rm -f "$(_sandbox_raw_link)"
}
sandbox_plug() {
  local changed
  _sandbox_wait_followed
  changed=$(_sandbox_stick_call Plug) || return 1
  if [ "$changed" = "true" ]; then _sandbox_drop_raw_link; echo plugged
  else _sandbox_say "the stick was already plugged in"; return 1; fi
}
sandbox_unplug() {
  local changed
  changed=$(_sandbox_stick_call Unplug) || return 1
  if [ "$changed" = "true" ]; then echo unplugged; else _sandbox_say "the stick was not plugged in"; return 1; fi
}
# sandbox_stick_gone: the stick is out, and Wine holds no drive for it: a mount manager that
# follows the bus has taken its letter away (its link in dosdevices is gone), or none follows and
# none can (a link that a session left behind, with no mount manager to take it away, is cleared).
sandbox_stick_gone() {
  [ "$(sandbox_stick_state 2>/dev/null)" = unplugged ] || return 1
  [ -L "$WINEPREFIX/dosdevices/e:" ] || return 0
  _sandbox_followed && return 1
  rm -f "$WINEPREFIX/dosdevices/e:" "$WINEPREFIX/dosdevices/e::"
}

# sandbox_save_state FILE / sandbox_load_state FILE
# What another shell needs to reach a running sandbox (scripts/stick plug while scripts/run runs).
sandbox_save_state() {
  local file=${1:?sandbox_save_state FILE}
  mkdir -p "$(dirname "$file")"
  {
    printf 'SANDBOX_OWNER_PID=%q\n' "$$"
    printf 'DBUS_SYSTEM_BUS_ADDRESS=%q\n' "${DBUS_SYSTEM_BUS_ADDRESS:-}"
    printf 'SANDBOX_STICK=%q\n' "$SANDBOX_STICK"
    printf 'SANDBOX_PROGRAM_DIR=%q\n' "$SANDBOX_PROGRAM_DIR"
    printf 'SANDBOX_STATE_WINEPREFIX=%q\n' "${WINEPREFIX:-}"
  } >"$file.tmp"
  mv "$file.tmp" "$file"
}
sandbox_load_state() {
  local file=${1:?sandbox_load_state FILE}
  [ -f "$file" ] || { _sandbox_say "no running sandbox ($file is missing: start scripts/run first)"; return 1; }
  # shellcheck disable=SC1090
  . "$file"
  if ! _sandbox_alive "$SANDBOX_OWNER_PID"; then
    _sandbox_say "the sandbox recorded in $file has ended (start scripts/run first)"
    return 1
  fi
  export DBUS_SYSTEM_BUS_ADDRESS
}

# sandbox_up PREFIX STICK_DIR [USB_EXE STANDINS_DIR [SETUP...]]
# Brings the whole sandbox up, in the order that works: the demo image (made once), the stick
# (emptied, unplugged), the private bus with the fake UDisks2 service, then the Wine session in
# the prefix PREFIX (wine_session: made or reused, a wineserver started anew so that Wine's mount
# manager finds the bus) with its drive letters (the stick gets E:) and SETUP (a command that
# wine_session runs before the server starts), the program folder with USB_EXE and the stand-ins
# of STANDINS_DIR (left out where empty), and the download server (http_proxy points at it).
# Needs scripts/wine-env.sh sourced. Exports WINEPREFIX; sets what each step sets (SANDBOX_IMAGE,
# SANDBOX_STICK, SANDBOX_PROGRAM_DIR, ...). Fails, saying where, at the first step that fails.
sandbox_up() {
  local prefix=${1:?sandbox_up PREFIX STICK_DIR [USB_EXE STANDINS_DIR [SETUP...]]} stick=${2:?sandbox_up PREFIX STICK_DIR}
  local exe=${3:-} standins=${4:-}
  shift 2; shift $(( $# < 2 ? $# : 2 ))
  sandbox_image || { _sandbox_say "the demo live image could not be made"; return 1; }
  sandbox_stick "$stick" --empty || return 1
  sandbox_udisks_start "$SANDBOX_STICK" || return 1
  wine_session "$prefix" _sandbox_session_setup "$@" || { _sandbox_say "the Wine session in $prefix did not come up"; return 1; }
  sandbox_program_folder "$WINEPREFIX" "$exe" "$standins" || return 1
  sandbox_http_start
}
_sandbox_session_setup() {
  sandbox_wine_drives || return 1
  [ $# -eq 0 ] || "$@"
}

# sandbox_stop_all
# Stops what this sandbox started (download server, fake UDisks2, private bus), each by its PID,
# and removes its run folder if it made one. Wine and Xvfb are wine-env.sh's stop_all.
sandbox_stop_all() {
  sandbox_http_stop
  sandbox_udisks_stop
  if [ -n "$_sandbox_made_run" ] && [ -n "${SANDBOX_RUN:-}" ]; then
    rm -rf "$SANDBOX_RUN"
    SANDBOX_RUN=""; _sandbox_made_run=""
  fi
}
