# The test runners' checks, in one output form. Source it from bash, after scripts/lib.sh.
#
#   check NAME COMMAND...   runs COMMAND in this shell (what it sets stays set), with what it prints
#                           kept aside; prints "ok   NAME", or "FAIL NAME" and, indented, the last
#                           lines COMMAND printed. A runner may define check_detail, whose output
#                           is shown instead (say, the log of the tool the check ran). What the
#                           last check printed stays in the file CHECK_LOG until the next check
#   pass NAME               "ok   NAME", counted: a result decided elsewhere
#   fail NAME [DETAIL]      "FAIL NAME", and DETAIL indented below it, counted
#   skip NAME REASON        "skip NAME: REASON", counted apart: a check this run cannot make
#   finish                  "N passed, M failed, K skipped", then exits: 0 when nothing failed and
#                           something passed
#   adopt PREFIX CMD...     runs CMD, another runner of this form, and counts its checks as this
#                           runner's own, each name after PREFIX; its other lines pass through
#   gtest_results XML...    one line per test that a GoogleTest program's XML report (--gtest_output)
#                           records, "ok Suite.Test" or "FAIL Suite.Test"; "MISSING FILE" for a
#                           report that is not there (its program crashed or hung first)
#   gtest_said NAME LOG     what GoogleTest printed into LOG while the test NAME ran, up to its verdict
#
# The count line is the runner's last line; scripts/test reads it into its summary.

_tests_passed=0
_tests_failed=0
_tests_skipped=0
CHECK_LOG=$(mktemp "${TMPDIR:-/tmp}/usb-check.XXXXXX")
at_exit rm -f "$CHECK_LOG"

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
  local name=${1:?check NAME COMMAND...} detail
  shift
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

gtest_results() {
  local report
  for report in "$@"; do
    [ -f "$report" ] || { echo "MISSING $report"; continue; }
    /usr/bin/python3 - "$report" <<'PY'
import sys, xml.etree.ElementTree as ET
for case in ET.parse(sys.argv[1]).getroot().iter("testcase"):
    if case.get("status", "run") != "run" or case.get("result", "completed") == "skipped":
        continue
    failed = case.find("failure") is not None or case.find("error") is not None
    print(("FAIL " if failed else "ok ") + case.get("classname") + "." + case.get("name"))
PY
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
