# The sandbox in which USB.exe does its whole job on Linux: program folder, live image, download server, stick, fake UDisks2, boot check.
#
# Source it from bash (scripts/wine-env.sh alongside for the display and the prefix). Every function can
# be called again without harm; whatever one starts, sandbox_stop_all stops by its PID, so a caller sets
#   trap 'sandbox_stop_all; stop_all' EXIT
# Order that matters: sandbox_udisks_start before the prefix's first wine command (Wine's mount manager
# looks for the bus only when the wineserver starts), then wine_prefix, then sandbox_wine_drives.
#
# Settings (set before sourcing or before the call):
#   SANDBOX_CACHE  where the live image and the kernel are kept between runs (default build/sandbox)
#   SANDBOX_RUN    where a running sandbox keeps its sockets, logs and device node (default: a new
#                  folder under SANDBOX_CACHE, removed by sandbox_stop_all)
#   SANDBOX_PREMADE_IMAGE  a live image made beforehand, to use as it is instead of making one

SANDBOX_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SANDBOX_REPO=$(cd "$SANDBOX_LIB_DIR/../.." && pwd)
: "${SANDBOX_CACHE:=$SANDBOX_REPO/build/sandbox}"
# The program folder, the stand-ins, the image, the marker, the SYSLINUX modules, the menu title.
# shellcheck source=names.sh
source "$SANDBOX_LIB_DIR/names.sh"
SANDBOX_BOOTED_LINE="Solvara live: booted"
# Debian's python3-dbus and python3-gi belong to the system python, not to one that PATH may find first.
SANDBOX_PYTHON=/usr/bin/python3

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
SANDBOX_QEMU_PID=""
_sandbox_made_run=""

_sandbox_say() { echo "sandbox: $*" >&2; }
_sandbox_alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }
_sandbox_kill() {
  local pid=${1:-}
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

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
  local www=${1:-$SANDBOX_WWW} i
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
  for i in $(seq 1 100); do
    [ -s "$SANDBOX_RUN/http.port" ] && break
    _sandbox_alive "$SANDBOX_HTTP_PID" || break
    sleep 0.05
  done
  if [ ! -s "$SANDBOX_RUN/http.port" ]; then
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

# sandbox_stick DIR [--empty]
# Makes DIR a sandbox stick: a folder with the marker file in its root, which the stand-in tools
# require before they touch a drive. The marker states the size of the stick that the folder
# stands for (SANDBOX_STICK_CAPACITY bytes, default an 8 GB stick): the extractor keeps to it,
# since the free space Windows reports for a folder drive is that of the disk it lies on. --empty clears it first, but only when it already is a
# sandbox stick (or empty), so a wrong path can never wipe someone's files. Sets SANDBOX_STICK.
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
  [ -f "$dir/$SANDBOX_MARKER" ] ||
    printf 'This folder is a VKR sandbox stick: the stand-in tools may erase it.\ncapacity: %s\n' \
      "${SANDBOX_STICK_CAPACITY:-8000000000}" >"$dir/$SANDBOX_MARKER"
  SANDBOX_STICK=$dir
}

# sandbox_udisks_start STICK_DIR
# Starts a private system bus and the fake UDisks2 service on it, with the stick unplugged, and
# exports DBUS_SYSTEM_BUS_ADDRESS. Needs root: the stick's block device node is made with mknod
# (a loop-device number that is never set up, so nothing can read through it).
# Sets SANDBOX_DBUS_PID, SANDBOX_UDISKS_PID and SANDBOX_DEVICE_NODE. Already running for that
# stick, it does nothing; for another stick it starts anew on a new bus (so Wine must start anew too).
sandbox_udisks_start() {
  local stick=${1:?sandbox_udisks_start STICK_DIR} i
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
  for i in $(seq 1 100); do
    [ -s "$SANDBOX_RUN/bus.address" ] && break
    _sandbox_alive "$SANDBOX_DBUS_PID" || break
    sleep 0.05
  done
  if [ ! -s "$SANDBOX_RUN/bus.address" ]; then
    _sandbox_say "the private bus did not start:"; cat "$SANDBOX_RUN/dbus.log" >&2
    sandbox_udisks_stop; return 1
  fi
  DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$SANDBOX_RUN/bus.address")
  export DBUS_SYSTEM_BUS_ADDRESS

  SANDBOX_DEVICE_NODE=$SANDBOX_RUN/vkrstick1
  [ -b "$SANDBOX_DEVICE_NODE" ] || mknod "$SANDBOX_DEVICE_NODE" b 7 250
  "$SANDBOX_PYTHON" "$SANDBOX_LIB_DIR/fake_udisks2.py" "$stick" "$SANDBOX_DEVICE_NODE" \
    </dev/null >>"$SANDBOX_RUN/udisks.log" 2>&1 &
  SANDBOX_UDISKS_PID=$!
  SANDBOX_UDISKS_STICK=$stick
  for i in $(seq 1 100); do
    sandbox_stick_state >/dev/null 2>&1 && return 0
    _sandbox_alive "$SANDBOX_UDISKS_PID" || break
    sleep 0.05
  done
  _sandbox_say "the fake UDisks2 service did not start:"; cat "$SANDBOX_RUN/udisks.log" >&2
  sandbox_udisks_stop
  return 1
}

sandbox_udisks_stop() {
  _sandbox_kill "$SANDBOX_UDISKS_PID"; SANDBOX_UDISKS_PID=""; SANDBOX_UDISKS_STICK=""
SANDBOX_UDISKS_STICK=""
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
sandbox_plug() {
  local changed
  changed=$(_sandbox_stick_call Plug) || return 1
  if [ "$changed" = "true" ]; then echo plugged; else _sandbox_say "the stick was already plugged in"; return 1; fi
}
sandbox_unplug() {
  local changed
  changed=$(_sandbox_stick_call Unplug) || return 1
  if [ "$changed" = "true" ]; then echo unplugged; else _sandbox_say "the stick was not plugged in"; return 1; fi
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

# sandbox_stick_image STICK_DIR OUT.img [mbr|whole-disk]
# Packs the stick folder into a disk image laid out as a real stick: an MBR with Debian's
# SYSLINUX boot code (mbr.bin) and one active FAT32 partition (type 0x0c) from 1 MiB on, and
# SYSLINUX's boot sector in that partition, installed with Debian's syslinux --install, which on a
# real stick is syslinux.exe's work. "whole-disk" leaves out the partition table: the FAT32 file
# system then starts at the first sector (a "superfloppy"). Then it reads every file back out of
# the image and compares it with the folder: all must be equal byte for byte except ldlinux.sys
# and ldlinux.c32, which syslinux --install writes itself; those it names.
# Wine keeps the label and serial number of a drive that is a folder in the files .windows-label
# and .windows-serial: they become the image's label and serial (label VKR when there is none)
# instead of files, as on a real stick. The sandbox marker is a file on the stick like any other.
SANDBOX_PARTITION_START=2048   # sectors of 512 bytes: 1 MiB, where partitioning tools start
sandbox_stick_image() {
  local stick=${1:?sandbox_stick_image STICK_DIR OUT.img [mbr|whole-disk]} out=${2:?sandbox_stick_image STICK_DIR OUT.img}
  local layout=${3:-mbr}
  local bytes mib tmp rc=0 rel label=VKR serial=1A2B3C4D offset=0 fs
  [ -d "$stick" ] || { _sandbox_say "no stick folder at $stick"; return 1; }
  case "$layout" in
    mbr) offset=$((SANDBOX_PARTITION_START * 512)) ;;
    whole-disk) offset=0 ;;
    *) _sandbox_say "unknown layout $layout (mbr or whole-disk)"; return 1 ;;
  esac
  stick=$(realpath "$stick"); out=$(realpath -m "$out")
  export MTOOLS_SKIP_CHECK=1
  bytes=$(du -sb --apparent-size "$stick" | cut -f1)
  # FAT32 wants at least 65525 clusters, so never less than 64 MiB; then room for the files and
  # for the per-file cluster slack.
  mib=$(( bytes * 12 / 10 / 1048576 + 16 ))
  [ "$mib" -ge 64 ] || mib=64
  mib=$(( mib + offset / 1048576 ))
  mkdir -p "$(dirname "$out")"
  rm -f "$out"
  truncate -s "${mib}M" "$out"
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/vkr-stick-image.XXXXXX")
  if [ -s "$stick/.windows-label" ]; then label=$(tr -d '\r\n' <"$stick/.windows-label" | cut -c1-11); fi
  if grep -qxE '[0-9A-Fa-f]{1,8}' "$stick/.windows-serial" 2>/dev/null; then serial=$(tr -d '\r\n' <"$stick/.windows-serial"); fi
  if [ "$layout" = mbr ]; then
    if [ ! -f /usr/lib/syslinux/mbr/mbr.bin ]; then
      _sandbox_say "/usr/lib/syslinux/mbr/mbr.bin is missing (Debian package syslinux-common)"; rm -rf "$tmp"; return 1
    fi
    # The disk identifier follows the volume's serial number, so the same stick gives the same image.
    if ! printf 'label: dos\nlabel-id: 0x%08x\nstart=%d, type=c, bootable\n' "$((16#$serial))" "$SANDBOX_PARTITION_START" |
        sfdisk --no-reread --no-tell-kernel "$out" >"$tmp/sfdisk.log" 2>&1; then
      cat "$tmp/sfdisk.log" >&2; _sandbox_say "sfdisk could not partition $out"; rm -rf "$tmp"; return 1
    fi
    # The boot code only: the partition table after byte 440 stays as sfdisk wrote it.
    dd if=/usr/lib/syslinux/mbr/mbr.bin of="$out" bs=440 count=1 conv=notrunc status=none
  fi
  # -h: the hidden sectors before the file system, which its boot sector must know to boot.
  if ! mkfs.fat -F 32 -n "$label" -i "$serial" --offset "$((offset / 512))" -h "$((offset / 512))" "$out" \
      $(( (mib * 1048576 - offset) / 1024 )) >"$tmp/mkfs.log" 2>&1; then
    cat "$tmp/mkfs.log" >&2; rm -rf "$tmp"; return 1
  fi
  fs="$out@@$offset"
  # Name clashes cannot happen from a real folder, but mtools would ask about one: with no one to
  # answer (stdin closed) it skips the file, and the read-back below then reports it.
  local -a top=()
  mapfile -d '' top < <(cd "$stick" && find . -mindepth 1 -maxdepth 1 ! -name .windows-label ! -name .windows-serial -printf '%P\0')
  if [ ${#top[@]} -gt 0 ]; then
    if ! (cd "$stick" && mcopy -i "$fs" -s -m -Q "${top[@]}" ::/) </dev/null >"$tmp/mcopy.log" 2>&1; then
      cat "$tmp/mcopy.log" >&2; _sandbox_say "mcopy could not copy the stick into $out"; rm -rf "$tmp"; return 1
    fi
  fi
  if ! syslinux --install --offset "$offset" "$out" >"$tmp/syslinux.log" 2>&1; then
    cat "$tmp/syslinux.log" >&2; _sandbox_say "syslinux --install failed on $out"; rm -rf "$tmp"; return 1
  fi

  mkdir "$tmp/back"
  mcopy -i "$fs" -s -n -m -- '::/*' "$tmp/back/" </dev/null >"$tmp/back.log" 2>&1 || { cat "$tmp/back.log" >&2; rc=1; }
  while IFS= read -r -d '' rel; do
    case "$rel" in
      ldlinux.sys|ldlinux.c32)
        if [ ! -f "$tmp/back/$rel" ]; then _sandbox_say "$rel is missing from the image"; rc=1
        elif [ -f "$stick/$rel" ] && cmp -s "$stick/$rel" "$tmp/back/$rel"; then _sandbox_say "$rel: as on the stick"
        else _sandbox_say "$rel: written by syslinux --install"; fi ;;
      *)
        if [ ! -f "$tmp/back/$rel" ]; then _sandbox_say "$rel is on the stick but not in the image"; rc=1
        elif ! cmp -s "$stick/$rel" "$tmp/back/$rel"; then _sandbox_say "$rel differs between the stick and the image"; rc=1; fi ;;
    esac
  done < <(cd "$stick" && find . -type f ! -path ./.windows-label ! -path ./.windows-serial -printf '%P\0'
           for rel in ldlinux.sys ldlinux.c32; do [ -f "$rel" ] || printf '%s\0' "$rel"; done)
  while IFS= read -r -d '' rel; do
    case "$rel" in ldlinux.sys|ldlinux.c32) ;; *)
      [ -f "$stick/$rel" ] || { _sandbox_say "$rel is in the image but not on the stick"; rc=1; } ;;
    esac
  done < <(cd "$tmp/back" && find . -type f -printf '%P\0')
  rm -rf "$tmp"
  if [ "$rc" -eq 0 ]; then
    if [ "$layout" = mbr ]; then
      _sandbox_say "packed $stick into $out (${mib} MiB, MBR with one active FAT32 partition from $((offset / 1048576)) MiB, label $label)"
    else
      _sandbox_say "packed $stick into $out (${mib} MiB, FAT32 on the whole disk, label $label)"
    fi
  fi
  return "$rc"
}

# sandbox_boot IMG LOG [LIMIT_SECONDS] [bios|uefi]
# Boots IMG as the first hard disk in QEMU (software emulation; the image itself is not changed) and
# writes the serial line to LOG. Succeeds only when the menu title and after it the live system's
# line have appeared and QEMU then powered off by itself within LIMIT_SECONDS (default 120). Known
# dead ends (no loader, no kernel, no boot sector, a panic) end the run at once instead of at the
# limit, and the line that ended it is named. bios (the default) is SeaBIOS, which starts SYSLINUX
# from the boot sector; uefi is Debian's OVMF, which starts EFI/BOOT/BOOTX64.EFI from the FAT32
# volume. GRUB under OVMF needs more than 256 MiB to load the initramfs, so both get 512.
SANDBOX_OVMF=/usr/share/ovmf/OVMF.fd
sandbox_boot() {
  local img=${1:?sandbox_boot IMG LOG [LIMIT] [bios|uefi]} log=${2:?sandbox_boot IMG LOG [LIMIT] [bios|uefi]}
  local limit=${3:-120} firmware=${4:-bios}
  local start now elapsed rc="" verdict="" title_at booted_at cr=$'\r' line
  local -a firmware_args=() dead_ends=()
  [ -f "$img" ] || { _sandbox_say "no image at $img"; return 1; }
  # Each of these ends in the boot loader's prompt, a retry loop, a reboot or the firmware's own
  # menu, never in success. (Extended regular expressions; the match up to the line's end is shown.)
  case "$firmware" in
    bios)
      # The menu reports a missing kernel as "Loading /casper/vmlinuz... failed: ..." and shows
      # itself again; the plain prompt says "Could not find kernel image".
      dead_ends=('Loading [^ ]*\.\.\. failed' 'Could not find kernel image' 'Kernel panic' 'No bootable device'
                 'Boot failed' 'Failed to load' 'No DEFAULT or UI configuration directive') ;;
    uefi)
      [ -f "$SANDBOX_OVMF" ] || { _sandbox_say "$SANDBOX_OVMF is missing (Debian package ovmf)"; return 1; }
      firmware_args=(-bios "$SANDBOX_OVMF")
      # Not a bare "failed to load": every UEFI boot prints one for QEMU's empty DVD-ROM drive.
      # The hard disk's line means that it holds no EFI/BOOT/BOOTX64.EFI that the firmware could
      # start; after it OVMF would try the network and then sit in its setup screen for ever.
      dead_ends=('failed to load Boot[0-9A-F]{4} "UEFI QEMU HARDDISK' "error: file \`[^']*' not found"
                 'error: out of memory' 'VKR: no live system here' 'Kernel panic') ;;
    *) _sandbox_say "unknown firmware $firmware (bios or uefi)"; return 1 ;;
  esac
  mkdir -p "$(dirname "$log")"
  : >"$log"
  start=$(date +%s%N)
  qemu-system-x86_64 -nographic -no-reboot -m 512 -accel tcg -nic none "${firmware_args[@]}" \
    -drive "file=$img,format=raw,if=ide,snapshot=on" </dev/null >"$log" 2>&1 &
  SANDBOX_QEMU_PID=$!
  local -a grep_args=()
  for line in "${dead_ends[@]}"; do grep_args+=(-e "$line"); done
  while :; do
    if ! _sandbox_alive "$SANDBOX_QEMU_PID"; then
      # (Written so that a caller's set -e does not end the script on QEMU's code.)
      wait "$SANDBOX_QEMU_PID" && rc=0 || rc=$?
      break
    fi
    if grep -aqE "${grep_args[@]}" "$log"; then
      grep_args=()
      for line in "${dead_ends[@]}"; do grep_args+=(-e "$line[^$cr]*"); done
      verdict="dead end: $(grep -aoE -m1 "${grep_args[@]}" "$log" | head -1 || true)"
      break
    fi
    now=$(date +%s%N)
    if [ $(( (now - start) / 1000000000 )) -ge "$limit" ]; then
      verdict="no power-off within ${limit} s"
      break
    fi
    sleep 0.2
  done
  if [ -n "$verdict" ]; then _sandbox_kill "$SANDBOX_QEMU_PID"; fi
  SANDBOX_QEMU_PID=""
  now=$(date +%s%N)
  elapsed=$(( (now - start) / 1000000 ))
  elapsed="$((elapsed / 1000)).$(printf '%03d' $((elapsed % 1000)))"

  title_at=$(grep -abo -m1 -F "$SANDBOX_MENU_TITLE" "$log" | head -1 | cut -d: -f1 || true)
  booted_at=$(grep -abo -m1 -F "$SANDBOX_BOOTED_LINE" "$log" | head -1 | cut -d: -f1 || true)
  if [ -z "$verdict" ]; then
    if [ "$rc" -ne 0 ]; then verdict="QEMU exited with code $rc"
    elif [ -z "$title_at" ]; then verdict="the menu title \"$SANDBOX_MENU_TITLE\" never appeared"
    elif [ -z "$booted_at" ]; then verdict="the live system never said \"$SANDBOX_BOOTED_LINE\""
    elif [ "$booted_at" -lt "$title_at" ]; then verdict="\"$SANDBOX_BOOTED_LINE\" came before the menu"
    fi
  fi
  if [ -n "$verdict" ]; then
    _sandbox_say "$firmware boot of $img FAILED after ${elapsed} s: $verdict (serial log: $log)"
    return 1
  fi
  _sandbox_say "$firmware boot of $img passed in ${elapsed} s: menu, \"$(grep -ao -m1 "$SANDBOX_BOOTED_LINE[^$cr]*" "$log" | head -1)\", power-off (serial log: $log)"
}

# sandbox_stop_all
# Stops what this sandbox started (QEMU, download server, fake UDisks2, private bus), each by its
# PID, and removes its run folder if it made one. Wine and Xvfb are wine-env.sh's stop_all.
sandbox_stop_all() {
  _sandbox_kill "$SANDBOX_QEMU_PID"; SANDBOX_QEMU_PID=""
  sandbox_http_stop
  sandbox_udisks_stop
  if [ -n "$_sandbox_made_run" ] && [ -n "${SANDBOX_RUN:-}" ]; then
    rm -rf "$SANDBOX_RUN"
    SANDBOX_RUN=""; _sandbox_made_run=""
  fi
}
