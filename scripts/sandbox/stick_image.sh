# Packs a stick folder into a disk image laid out as a real stick. Source it from bash; it needs
# Debian's syslinux, mtools, dosfstools and fdisk.
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

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
