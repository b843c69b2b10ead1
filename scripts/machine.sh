# What this machine can run, found by trying, and the Windows builds that follow from it.
# Source it from bash, then call machine_decide. It sets and exports:
#   USB_RUNS_32BIT    1 when a static i386 program runs here; 0 when the kernel refuses it while
#                     its x86-64 twin runs beside it; "unknown" when the probe could not tell
#                     (no folder to write it to, or neither program would run: a noexec mount)
#   USB_RUNS_WIN32    1 when it runs 32-bit code and wine32 is installed, so that the 32-bit build
#                     can run; else 0
#   USB_WHY_NO_32BIT  why it cannot, in a few words (empty when it can)
#   USB_PRESET        the Windows build that every layer runs on: win32 where it can run, win64
#                     elsewhere
#   USB_WINEARCH      the prefix kind for that build (win32 or win64)
#   USB_TRIPLET       its mingw-w64 compiler prefix (i686-w64-mingw32 or x86_64-w64-mingw32)
#   USB_TOOLCHAIN     its CMake toolchain file
# A USB_PRESET set by the caller (win32 or win64) is kept: a script started by scripts/test for
# one build, or by hand for the other, runs on that build.
# Some machines run 64-bit code only: there an i386 ELF gives "Exec format error", wine32 cannot
# start, and neither can a PE32 program. The probe is a three-instruction static i386 program
# that makes the exit system call; it needs no 32-bit libraries and no compiler. A refusal counts
# only when the same program for x86-64, written to the same folder, runs: a folder mounted
# noexec refuses both with the same status, and says nothing about the kernel.
# USB_PRETEND_64BIT_ONLY=1 makes the decision as if the probe had been refused, to try the
# 64-bit path on a machine that runs both.

_machine_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The probes, byte for byte, written out here rather than compiled, so that the answer is there
# before any compiler is installed. Each is an ELF header, one loadable segment, then the exit
# system call with status 0:
# - i386, 93 bytes: mov eax,1; xor ebx,ebx; int 0x80;
# - x86-64, 129 bytes: mov eax,60; xor edi,edi; syscall.
_machine_probe_i386='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
_machine_probe_x86_64='\x7f\x45\x4c\x46\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x3e\x00\x01\x00\x00\x00\x78\x00\x40\x00\x00\x00\x00\x00\x40\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x40\x00\x38\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x00\x00\x00\x81\x00\x00\x00\x00\x00\x00\x00\x81\x00\x00\x00\x00\x00\x00\x00\x00\x10\x00\x00\x00\x00\x00\x00\xb8\x3c\x00\x00\x00\x31\xff\x0f\x05'

# _machine_probe: sets _machine_runs_32bit to 1 when 32-bit code runs here, 0 when the kernel
# refuses it, and unknown when the probe could not tell; and _machine_why to why, for the last two.
_machine_probe() {
  local dir rc32 rc64
  _machine_runs_32bit=unknown
  _machine_why=""
  # In the project's own build folder: a /tmp mounted noexec would refuse any program.
  if ! mkdir -p "$_machine_root/build" 2>/dev/null ||
     ! dir=$(mktemp -d "$_machine_root/build/probe.XXXXXX" 2>/dev/null); then
    _machine_why="no folder to write the probe to ($_machine_root/build cannot be written)"
    return
  fi
  if ! printf "$_machine_probe_i386" >"$dir/i386" 2>/dev/null ||
     ! printf "$_machine_probe_x86_64" >"$dir/x86_64" 2>/dev/null ||
     ! chmod +x "$dir/i386" "$dir/x86_64" 2>/dev/null; then
    rm -rf "$dir"
    _machine_why="the probe could not be written to $_machine_root/build"
    return
  fi
  "$dir/x86_64" >/dev/null 2>&1; rc64=$?
  "$dir/i386" >/dev/null 2>&1; rc32=$?
  rm -rf "$dir"
  if [ "$rc64" -ne 0 ]; then
    _machine_why="the probe's x86-64 program does not run in $_machine_root/build either (status $rc64; mounted noexec?)"
  elif [ "$rc32" -eq 0 ]; then
    _machine_runs_32bit=1
  elif [ "$rc32" -eq 126 ]; then
    _machine_runs_32bit=0
    _machine_why="the kernel runs no 32-bit code (a static i386 program is refused, its x86-64 twin runs)"
  else
    _machine_why="a static i386 program exits $rc32 here, neither running nor refused"
  fi
}

machine_decide() {
  if [ -z "${USB_RUNS_32BIT:-}" ]; then
    if [ "${USB_PRETEND_64BIT_ONLY:-0}" = 1 ]; then
      USB_RUNS_32BIT=0
      USB_WHY_NO_32BIT="USB_PRETEND_64BIT_ONLY=1 is set"
    else
      _machine_probe
      USB_RUNS_32BIT=$_machine_runs_32bit
      USB_WHY_NO_32BIT=$_machine_why
      [ "$USB_RUNS_32BIT" != unknown ] ||
        USB_WHY_NO_32BIT="it cannot be told whether this machine runs 32-bit code: $_machine_why"
    fi
  fi
  USB_RUNS_WIN32=0
  case "$USB_RUNS_32BIT" in
    1)
      if [ -x /usr/lib/wine/wine ]; then
        USB_RUNS_WIN32=1
      else
        # The package mirror would not give wine32: the 64-bit build runs instead.
        USB_WHY_NO_32BIT="this machine runs 32-bit code, but wine32 is not installed (scripts/setup could not install wine32:i386)"
      fi ;;
    0) ;;
    *)
      # Whatever is installed stays; the 64-bit build runs, which needs no 32-bit code.
      USB_RUNS_32BIT=unknown
      : "${USB_WHY_NO_32BIT:=it cannot be told whether this machine runs 32-bit code}" ;;
  esac
  if [ -z "${USB_PRESET:-}" ]; then
    if [ "$USB_RUNS_WIN32" = 1 ]; then USB_PRESET=win32; else USB_PRESET=win64; fi
  fi
  machine_preset "$USB_PRESET" || return 1
  export USB_RUNS_32BIT USB_RUNS_WIN32 USB_WHY_NO_32BIT USB_PRESET
}

# machine_preset PRESET: sets USB_WINEARCH, USB_TRIPLET and USB_TOOLCHAIN for the build PRESET
# (win32 or win64), without making it USB_PRESET.
machine_preset() {
  case "$1" in
    win32) USB_WINEARCH=win32; USB_TRIPLET=i686-w64-mingw32; USB_TOOLCHAIN=$_machine_root/cmake/mingw-i686.cmake ;;
    win64) USB_WINEARCH=win64; USB_TRIPLET=x86_64-w64-mingw32; USB_TOOLCHAIN=$_machine_root/cmake/mingw-x86_64.cmake ;;
    *) echo "machine_preset: no Windows build named '$1' (win32 or win64)" >&2; return 1 ;;
  esac
  export USB_WINEARCH USB_TRIPLET USB_TOOLCHAIN
}
