# What this machine can run, found by trying, and the Windows builds that follow from it.
# Source it from bash, then call machine_decide. It sets and exports:
#   USB_RUNS_32BIT    1 when a static i386 program runs here, else 0
#   USB_RUNS_WIN32    1 when, besides, wine32 is installed, so that the 32-bit build can run
#   USB_WHY_NO_32BIT  why it cannot, in a few words (empty when it can)
#   USB_PRESET        the Windows build that every layer runs on: win32 where 32-bit code runs,
#                     win64 elsewhere
#   USB_WINEARCH      the prefix kind for that build (win32 or win64)
#   USB_TRIPLET       its mingw-w64 compiler prefix (i686-w64-mingw32 or x86_64-w64-mingw32)
#   USB_TOOLCHAIN     its CMake toolchain file
# A USB_PRESET set by the caller (win32 or win64) is kept: a script started by scripts/test for
# one build, or by hand for the other, runs on that build.
# Some machines run 64-bit code only: there an i386 ELF gives "Exec format error", wine32 cannot
# start, and neither can a PE32 program. The probe is a three-instruction static i386 program
# that makes the exit system call; it needs no 32-bit libraries and no compiler.
# USB_PRETEND_64BIT_ONLY=1 makes the decision as if the probe had failed, to try the 64-bit
# path on a machine that runs both.

_machine_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The probe, byte for byte: a static i386 ELF program of 93 bytes (ELF header, one loadable
# segment, then mov eax,1; xor ebx,ebx; int 0x80: the exit system call with status 0). Written
# out here rather than compiled, so that the answer is there before any compiler is installed.
_machine_probe_bytes='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'

# _machine_probe: prints nothing, returns 0 when 32-bit code runs; sets _machine_why otherwise.
_machine_probe() {
  local dir rc
  _machine_why=""
  # In the project's own build folder: a /tmp mounted noexec would refuse any program, and the
  # refusal would read as a kernel without 32-bit code.
  mkdir -p "$_machine_root/build"
  dir=$(mktemp -d "$_machine_root/build/probe.XXXXXX")
  printf "$_machine_probe_bytes" >"$dir/p"
  chmod +x "$dir/p"
  "$dir/p" >/dev/null 2>&1
  rc=$?
  rm -rf "$dir"
  if [ "$rc" -ne 0 ]; then
    _machine_why="the kernel runs no 32-bit code (a static i386 program exits $rc)"
    return 1
  fi
  return 0
}

machine_decide() {
  if [ -z "${USB_RUNS_32BIT:-}" ]; then
    if [ "${USB_PRETEND_64BIT_ONLY:-0}" = 1 ]; then
      USB_RUNS_32BIT=0
      USB_WHY_NO_32BIT="USB_PRETEND_64BIT_ONLY=1 is set"
    elif _machine_probe; then
      USB_RUNS_32BIT=1
      USB_WHY_NO_32BIT=""
    else
      USB_RUNS_32BIT=0
      USB_WHY_NO_32BIT=$_machine_why
    fi
  fi
  # A machine that runs 32-bit code but lacks wine32 (the package mirror would not give it) runs
  # the 64-bit build, and says why.
  USB_RUNS_WIN32=$USB_RUNS_32BIT
  if [ "$USB_RUNS_32BIT" = 1 ] && [ ! -x /usr/lib/wine/wine ]; then
    USB_RUNS_WIN32=0
    USB_WHY_NO_32BIT="this machine runs 32-bit code, but wine32 is not installed (scripts/setup could not install wine32:i386)"
  fi
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
