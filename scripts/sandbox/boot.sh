# Boots a disk image of a stick in QEMU and judges the boot by its serial line. Source it from bash;
# a caller that may be stopped mid-boot says at_exit sandbox_boot_stop.
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# sandbox_boot IMG LOG [LIMIT_SECONDS] [bios|uefi]
# Boots IMG as the first hard disk in QEMU (software emulation; the image itself is not changed) and
# writes the serial line to LOG. Succeeds only when the menu title and after it the live system's
# line have appeared and QEMU then powered off by itself within LIMIT_SECONDS (default 120). Known
# dead ends (no loader, no kernel, no boot sector, a panic) end the run at once instead of at the
# limit, and the line that ended it is named. bios (the default) is SeaBIOS, which starts SYSLINUX
# from the boot sector; uefi is Debian's OVMF, which starts EFI/BOOT/BOOTX64.EFI from the FAT32
# volume. GRUB under OVMF needs more than 256 MiB to load the initramfs, so both get 512.
SANDBOX_OVMF=/usr/share/ovmf/OVMF.fd
SANDBOX_QEMU_PID=""
# _sandbox_boot_over LOG GREP_ARGS...: QEMU has ended, or the serial line in LOG has come to a dead end.
_sandbox_boot_over() {
  local log=$1
  shift
  ! _sandbox_alive "$SANDBOX_QEMU_PID" || grep -aqE "$@" "$log"
}
sandbox_boot() {
  local img=${1:?sandbox_boot IMG LOG [LIMIT] [bios|uefi]} log=${2:?sandbox_boot IMG LOG [LIMIT] [bios|uefi]}
  local limit=${3:-120} firmware=${4:-bios}
  local start now elapsed rc="" verdict="" title_at booted_at cr=$'\r' line
  local -a firmware_args=() dead_ends=() grep_args=()
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
  for line in "${dead_ends[@]}"; do grep_args+=(-e "$line"); done
  # Every 200 ms: a boot takes seconds, and QEMU's emulation wants the processor more.
  if ! wait_until --every 0.2 "$limit" _sandbox_boot_over "$log" "${grep_args[@]}"; then
    verdict="no power-off within ${limit} s"
  elif _sandbox_alive "$SANDBOX_QEMU_PID"; then
    grep_args=()
    for line in "${dead_ends[@]}"; do grep_args+=(-e "$line[^$cr]*"); done
    verdict="dead end: $(grep -aoE -m1 "${grep_args[@]}" "$log" | head -1 || true)"
  else
    # (Written so that a caller's set -e does not end the script on QEMU's code.)
    wait "$SANDBOX_QEMU_PID" && rc=0 || rc=$?
  fi
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

# sandbox_boot_stop
# Stops a QEMU that sandbox_boot started and has not waited for yet (the caller was stopped).
sandbox_boot_stop() {
  _sandbox_kill "$SANDBOX_QEMU_PID"; SANDBOX_QEMU_PID=""
}
