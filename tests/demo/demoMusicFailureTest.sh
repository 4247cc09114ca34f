#!/usr/bin/env bash
# demoMusicFailureTest.sh CASE DEMO MAKE_TEST_DATA MODULE
# The real demo under the private Xvfb it is started in, with music that cannot start: it
# opens its window and closes again at once, silently (no message box), with exit code 0 and
# one stderr line naming the cause. CASE: missing, truncated, text, nodevice.
set -u
case=$1
demo=$2
makeTestData=$3
module=$4
here=$(cd "$(dirname "$0")" && pwd)
runDemo="$here/../support/run-demo"

fail() { echo "FAIL ($case): $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$makeTestData" "$work" --module "$module" >/dev/null || fail "could not write test data"
song="$work/Data/sonavel3.xm"
case "$case" in
  missing) rm -f "$song"; cause='cannot open module "Data/sonavel3.xm": No such file or directory' ;;
  truncated) head -c 2000 "$module" >"$song"; cause='module "Data/sonavel3.xm" is truncated' ;;
  text) echo "These are the liner notes, not a module." >"$song"; cause='module "Data/sonavel3.xm": not a module format libxmp knows' ;;
  nodevice) export SDL_AUDIODRIVER=no-such-driver; cause='no audio device' ;;
  *) fail "unknown case" ;;
esac

"$runDemo" "$demo" "$work" 300 No 2>"$work/stderr"
status=$?
echo "demo exit status $status; stderr:"
cat "$work/stderr"
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
ours=$(grep -c '^strobarium: music: ' "$work/stderr")
[ "$ours" -eq 1 ] || fail "$ours music lines on stderr, expected 1"
grep -q "^strobarium: music: .*$cause" "$work/stderr" || fail "the line does not name the cause ($cause)"
grep -qE '^(ERROR|SHUTDOWN ERROR): ' "$work/stderr" && fail "a message box was shown"
echo "PASS ($case)"
