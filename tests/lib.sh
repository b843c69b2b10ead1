# What a test runner starts with, and the checks it makes in one output form, on the model of git's
# t/test-lib.sh. A runner (tests/KEY/run) starts with one line under its header:
#
#   source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh" [BUILD...]
#
# BUILD... are the builds it runs on (native native-asan; win32 win64; win64), none for a runner of
# no build. The start sets -uo pipefail, sources scripts/lib.sh, goes to the top of the project and
# sets:
#   root        the top of the project
#   caller_dir  the folder the runner was started in (from_caller PATH: PATH as seen from there)
#   key         the runner's layer: its folder under tests/
#   preset      the build it runs on: USB_PRESET (scripts/layer sets it), else the Windows build this
#               machine runs (scripts/machine.sh), else the first BUILD; "" for a runner of no build
#   build       that build's folder: USB_BUILD, else build/PRESET
#   work        the runner's own folder for that build, build/work/KEY-PRESET (build/work/KEY for a
#               runner of no build): its prefixes, sticks and logs. Every runner's lies under
#               build/work, and no build folder holds one
# It exports USB_PRESET and USB_BUILD for what the runner starts; on a Windows build it sources
# scripts/wine-env.sh, whose wine_session PREFIX [SETUP...] gives every Wine layer its display,
# prefix and wineserver. A runner's windows never go to the caller's screen, and its programs
# never into the caller's Wine prefix (DISPLAY and WINEPREFIX are unset).
# Another script of tests/ that sources it (tests/exe/check) gets the checks alone, where it was
# started.
#
# The checks, one line each, "ok   NAME", "FAIL NAME" with what it saw indented below, or
# "skip NAME: WHY"; the runner's last line is the count, which scripts/test reads:
#   check [--needs PREREQ[,PREREQ...]] NAME COMMAND...
#                           runs COMMAND in this shell (what it sets stays set), with what it prints
#                           kept aside; prints "ok   NAME", or "FAIL NAME" and, indented, the last
#                           lines COMMAND printed. A runner may define check_detail, whose output
#                           is shown instead (say, the log of the tool the check ran). What the last
#                           check printed stays in the file CHECK_LOG until the next check. Where a
#                           prerequisite does not hold, the check is skipped and says why
#   pass NAME               "ok   NAME", counted: a result decided elsewhere
#   fail NAME [DETAIL]      "FAIL NAME", and DETAIL indented below it, counted
#   skip NAME REASON        "skip NAME: REASON", counted apart: a check this run cannot make
#   finish                  "N passed, M failed, K skipped", then exits: 0 when nothing failed and
#                           something passed
#   adopt PREFIX CMD...     runs CMD, another runner of this form, and counts its checks as this
#                           runner's own, each name after PREFIX; its other lines pass through
#   test_lazy_prereq NAME WHY COMMAND...
#                           declares the prerequisite NAME: it holds when COMMAND succeeds, asked
#                           once, when a check first needs it; WHY is why a check that needs it is
#                           skipped where it does not. ROOT (run as root) and XVFB (an Xvfb to start)
#                           are declared here
#   test_have_prereq NAME   succeeds when the prerequisite holds
#   test_prereq_why NAME    prints why it does not
#   test_expect_code CODE[,CODE...] COMMAND...
#                           runs COMMAND and succeeds only when it exits with CODE (or one of them,
#                           where two outcomes are both sound): a refusal is
#                           checked by its own code, never as "not 0", so that a program that
#                           crashes (a signal, or Windows' 0xC0000005) fails the check; says what it got
#   gtest_checks PREFIX LOG REPORT...
#                           a check per test that each GoogleTest XML report (--gtest_output) records,
#                           its name after PREFIX; a failed test shows what GoogleTest printed into
#                           LOG while it ran; a report that is not there (its program crashed or hung
#                           first) fails, with what LOG says of it
#   gtest_said NAME LOG     what GoogleTest printed into LOG while the test NAME ran, up to its verdict
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

_tests_passed=0
_tests_failed=0
_tests_skipped=0

# --- the runner's start -------------------------------------------------------------------------
root=$LIB_ROOT
caller_dir=$PWD
from_caller() { (cd "$caller_dir" && realpath -m -- "${1:?from_caller PATH}"); }

# _test_build BUILD...: preset and build, of the builds the runner runs on.
_test_build() {
  preset=${USB_PRESET:-}
  if [ -z "$preset" ]; then
    case " $* " in
      *" win32 "*|*" win64 "*)
        source "$root/scripts/machine.sh"
        machine_decide || exit 1
        preset=$USB_PRESET ;;
    esac
    [[ " $* " == *" $preset "* ]] || preset=$1
  fi
  [[ " $* " == *" $preset "* ]] || die "$key runs on the builds $*, not on '$preset'"
  build=${USB_BUILD:-$root/build/$preset}
  export USB_PRESET=$preset USB_BUILD=$build
}

_test_runner=$(realpath -m -- "$0")
if [ "$_test_runner" = "$root/tests/$(basename "$(dirname "$_test_runner")")/run" ]; then
  key=$(basename "$(dirname "$_test_runner")")
  cd "$root" || exit 1
  preset="" build=""
  if [ $# -gt 0 ]; then _test_build "$@"; fi
  work=$root/build/work/$key${preset:+-$preset}
  mkdir -p "$work" || exit 1
  CHECK_LOG=$work/last-check.log
  unset DISPLAY WINEPREFIX
  case "$preset" in win32|win64) source "$root/scripts/wine-env.sh" || exit 1 ;; esac
else
  CHECK_LOG=$(mktemp "${TMPDIR:-/tmp}/usb-check.XXXXXX")
  at_exit rm -f "$CHECK_LOG"
fi
: >"$CHECK_LOG"

# hold_wine_session: keeps the Wine session that wine_session started open until it is stopped,
# with tests/win/hold_session.exe of the build. Wine's explorer.exe, the desktop's shell, otherwise
# comes and goes between one test program and the next, where on Windows it is there all along.
# Returns once the shell takes requests; fails, saying what was missing, when it does not.
hold_wine_session() {
  local ready=$work/session-held said
  rm -f "$ready"
  # Ends with the session: wine_session's wineserver -k on the way out, or its next session's.
  wine "$build/tests/win/hold_session.exe" "$(winpath "$ready")" >/dev/null 2>&1 &
  wait_until 150 test -s "$ready" || { echo "hold_session.exe said nothing in 150 s"; return 1; }
  said=$(head -1 "$ready" | tr -d '\r')
  [ "$said" = ready ] || { echo "the desktop's shell: $said"; return 1; }
}

# --- prerequisites ------------------------------------------------------------------------------
declare -A _prereq_command=() _prereq_why=() _prereq_holds=()
test_lazy_prereq() {
  local name=${1:?test_lazy_prereq NAME WHY COMMAND...} why=${2:?test_lazy_prereq NAME WHY COMMAND...}
  shift 2
  [ $# -gt 0 ] || die "test_lazy_prereq $name: no command"
  local quoted
  printf -v quoted '%q ' "$@"
  _prereq_command[$name]=$quoted
  _prereq_why[$name]=$why
  unset "_prereq_holds[$name]"
}
test_have_prereq() {
  local name=${1:?test_have_prereq NAME}
  [ -n "${_prereq_command[$name]:-}" ] || die "no prerequisite named $name (test_lazy_prereq declares one)"
  if [ -z "${_prereq_holds[$name]:-}" ]; then
    if eval "${_prereq_command[$name]}" >/dev/null 2>&1; then _prereq_holds[$name]=1; else _prereq_holds[$name]=0; fi
  fi
  [ "${_prereq_holds[$name]}" = 1 ]
}
test_prereq_why() { echo "${_prereq_why[${1:?test_prereq_why NAME}]:-}"; }
test_lazy_prereq ROOT "it needs root" test "$(id -u)" -eq 0
test_lazy_prereq XVFB "no Xvfb here" eval 'command -v Xvfb && command -v xdpyinfo'

# --- the checks ---------------------------------------------------------------------------------
pass() {
  _tests_passed=$((_tests_passed + 1))
  echo "ok   $1"
}

fail() {
  _tests_failed=$((_tests_failed + 1))
  echo "FAIL $1"
  [ -z "${2:-}" ] || printf '%s\n' "$2" | sed 's/^/       /'
}

skip() {
  _tests_skipped=$((_tests_skipped + 1))
  echo "skip $1: ${2:-no reason given}"
}

check() {
  local needs="" name detail prereq
  if [ "${1:-}" = --needs ]; then needs=${2:?check --needs PREREQ NAME COMMAND...}; shift 2; fi
  name=${1:?check NAME COMMAND...}
  shift
  for prereq in ${needs//,/ }; do
    test_have_prereq "$prereq" || { skip "$name" "$(test_prereq_why "$prereq")"; return 0; }
  done
  if "$@" >"$CHECK_LOG" 2>&1; then
    pass "$name"
  else
    if declare -F check_detail >/dev/null; then detail=$(check_detail 2>&1)
    else detail=$(tail -n 5 "$CHECK_LOG"); fi
    fail "$name" "$detail"
  fi
}

finish() {
  echo "$_tests_passed passed, $_tests_failed failed, $_tests_skipped skipped"
  [ "$_tests_failed" -eq 0 ] && [ "$_tests_passed" -gt 0 ]
  exit
}

test_expect_code() {
  local want=${1:?test_expect_code CODE[,CODE...] COMMAND...} got
  shift
  "$@"
  got=$?
  [[ ",$want," == *",$got,"* ]] && return 0
  echo "exit code $got, where ${want//,/ or } was expected: $*"
  return 1
}

gtest_checks() {
  local prefix=${1?gtest_checks PREFIX LOG REPORT...} log=${2:?gtest_checks PREFIX LOG REPORT...} report status name
  shift 2
  for report in "$@"; do
    if [ ! -f "$report" ]; then
      fail "$prefix$(basename "$report" .xml): the program wrote no report (it crashed or hung)" \
        "$( { grep -B2 -A20 -E '\*\*\*|Failed|Timeout|Unhandled' "$log" || tail -20 "$log"; } 2>/dev/null | head -30)"
      continue
    fi
    while read -r status name; do
      if [ "$status" = ok ]; then pass "$prefix$name"; else fail "$prefix$name" "$(gtest_said "$name" "$log")"; fi
    done < <(/usr/bin/python3 - "$report" <<'PY'
import sys, xml.etree.ElementTree as ET
for case in ET.parse(sys.argv[1]).getroot().iter("testcase"):
    if case.get("status", "run") != "run" or case.get("result", "completed") == "skipped":
        continue
    failed = case.find("failure") is not None or case.find("error") is not None
    print(("FAIL " if failed else "ok ") + case.get("classname") + "." + case.get("name"))
PY
    )
  done
}

gtest_said() {
  awk -v run="[ RUN      ] $1" -v end="[  FAILED  ] $1 " '
    index($0, run) == 1 { on = 1; next }
    on && index($0, end) == 1 { exit }
    on' "$2" | head -20
}

adopt() {
  local prefix=${1?adopt PREFIX COMMAND...} line name="" detail="" ended=0 code=""
  shift
  while IFS= read -r line; do
    case "$line" in
      "       "*) if [ -n "$name" ]; then detail+="${detail:+$'\n'}${line#       }"; continue; fi ;;
    esac
    # Any other line ends the detail of a failure before it.
    if [ -n "$name" ]; then fail "$prefix$name" "$detail"; name=""; detail=""; fi
    case "$line" in
      "ok   "*) pass "$prefix${line#ok   }" ;;
      "FAIL "*) name=${line#FAIL } ;;
      "skip "*) line=${line#skip }; skip "$prefix${line%%: *}" "${line#*: }" ;;
      "@@adopt-status "*) code=${line#@@adopt-status } ;;
      [0-9]*" passed, "[0-9]*" failed, "[0-9]*" skipped") ended=1 ;;
      *) printf '%s\n' "$line" ;;
    esac
  done < <("$@" 2>&1; echo "@@adopt-status $?")
  [ "$ended" -eq 1 ] || fail "${prefix}it did not run to its end (status $code)"
  [ "$code" = 0 ] || [ "$ended" -eq 0 ] || [ "$_tests_failed" -gt 0 ] || fail "${prefix}it ended with status $code"
}
