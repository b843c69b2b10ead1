# What every script of ours shares: messages, waiting with a limit, stopping what was started, and
# Windows names for Linux paths. Source it from bash (once is enough; again does nothing); it sets
# nothing but the functions below, LIB_ROOT (the top of the project) and LIB_NAME, the name that
# say, warn and die put before each line (the running script's path from the top of the project,
# unless LIB_NAME was set before; a library of scripts speaks under its own name with
# LIB_NAME=NAME warn TEXT).
#
#   say TEXT...                 "NAME: TEXT" on standard output
#   warn TEXT...                "NAME: TEXT" on standard error: a word beside a script's output
#   die TEXT...                 "NAME: TEXT" on standard error, then exit 1
#   usage                       the running script's header: its comment lines after the first
#   wait_until [--every S] SECONDS CMD...
#                               runs CMD every 50 ms (every S seconds) until it succeeds (status 0)
#                               or SECONDS have passed (status 1); SECONDS and S may have a fraction.
#                               It returns at the first success, so a limit can be generous: the
#                               same script runs in the virtual machine, where every start takes ten
#                               times as long
#   at_exit CMD...              runs CMD when the script ends, or when it is stopped by INT or TERM
#                               (which then end it with 130 or 143); the last one given runs first.
#                               One argument is a piece of shell; several are a command and its words
#   winpath PATH                prints PATH as Wine names it on its Z: drive (Z:\tmp\x for /tmp/x)
#   needs                       the rows of scripts/needs (what setup installs), "KIND NEED PACKAGE
#                               HOST VM" a line, without the comments
#   need_met KIND NEED          true when this machine has the need (a command, a file, a module)

[ -z "${LIB_ROOT:-}" ] || return 0
LIB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${LIB_NAME:-}" ]; then
  LIB_NAME=$(realpath -m "$0")
  LIB_NAME=${LIB_NAME#"$LIB_ROOT"/}
fi

say() { echo "$LIB_NAME: $*"; }
warn() { echo "$LIB_NAME: $*" >&2; }
die() { warn "$@"; exit 1; }
# The comment block under the script's first line, without its "# ", up to the first line that is
# not a comment: what --help prints.
usage() { awk 'NR == 1 { next } !/^#/ { exit } { sub(/^# ?/, ""); print }' "$0"; }

wait_until() {
  local every=0.05 seconds deadline
  if [ "${1:-}" = --every ]; then every=${2:?wait_until --every S SECONDS COMMAND...}; shift 2; fi
  seconds=${1:?wait_until [--every S] SECONDS COMMAND...}
  shift
  # In microseconds, from bash's own clock, which costs no process at each turn (its decimal
  # sign follows the locale). %.0f, not %d: Debian's awk (mawk) caps %d at 2^31.
  deadline=$(( ${EPOCHREALTIME//[!0-9]/} + $(awk -v s="$seconds" 'BEGIN { printf "%.0f", s * 1000000 }') ))
  while :; do
    "$@" && return 0
    [ "${EPOCHREALTIME//[!0-9]/}" -lt "$deadline" ] || return 1
    sleep "$every"
  done
}

# The commands to run on the way out, last first. The traps are set once, by the first at_exit of
# this shell; a subshell that calls at_exit gets traps of its own and runs only what it gave.
_lib_exit_commands=()
_lib_exit_owner=""
_lib_run_exits() {
  local i
  trap - EXIT INT TERM
  for (( i = ${#_lib_exit_commands[@]} - 1; i >= 0; i-- )); do eval "${_lib_exit_commands[i]}" || true; done
  _lib_exit_commands=()
}
at_exit() {
  [ $# -gt 0 ] || return 0
  if [ "$_lib_exit_owner" != "$BASHPID" ]; then
    # A subshell inherits the list but not the traps: what its parent gave is the parent's to run.
    _lib_exit_commands=()
    _lib_exit_owner=$BASHPID
    trap _lib_run_exits EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
  fi
  # One argument is a piece of shell ('stop_all; wineserver -k'); several are one command and its words.
  if [ $# -eq 1 ]; then _lib_exit_commands+=("$1")
  else local quoted; printf -v quoted '%q ' "$@"; _lib_exit_commands+=("$quoted"); fi
}

winpath() {
  local path
  path=$(realpath -m "${1:?winpath PATH}")
  printf 'Z:%s\n' "${path//\//\\}"
}

needs() { awk '$1 !~ /^#/ && NF' "$LIB_ROOT/scripts/needs"; }

need_met() {
  case "$1" in
    command) if [[ "$2" == /* ]]; then [ -x "$2" ]; else command -v "$2" >/dev/null 2>&1; fi ;;
    file) compgen -G "$2" >/dev/null ;;
    python) /usr/bin/python3 -c "import $2" >/dev/null 2>&1 ;;
    *) return 1 ;;
  esac
}
