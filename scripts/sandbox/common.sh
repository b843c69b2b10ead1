# What the sandbox's files share: their names (names.sh), where they stand, and how they speak and
# stop what they started. Sourced by sandbox.sh, stick_image.sh and boot.sh.
SANDBOX_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SANDBOX_REPO=$(cd "$SANDBOX_LIB_DIR/../.." && pwd)
# warn, wait_until, at_exit, winpath.
source "$SANDBOX_REPO/scripts/lib.sh"
# The program folder, the stand-ins, the image, the marker, the SYSLINUX modules, the menu title.
# shellcheck source=names.sh
source "$SANDBOX_LIB_DIR/names.sh"
# The line with which the live system on a booted stick says that it is up.
SANDBOX_BOOTED_LINE="Solvara live: booted"
# Debian's python3-dbus and python3-gi belong to the system python, not to one that PATH may find first.
SANDBOX_PYTHON=/usr/bin/python3

# The sandbox speaks on standard error under its own name, beside the output of whoever called it.
_sandbox_say() { LIB_NAME=sandbox warn "$@"; }
_sandbox_alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }
_sandbox_kill() {
  local pid=${1:-}
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
