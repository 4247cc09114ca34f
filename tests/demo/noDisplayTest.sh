#!/usr/bin/env bash
# noDisplayTest.sh DEMO MAKE_TEST_DATA
# The real demo with no display at all: it must not run invisibly on SDL's fallback driver,
# nor hang on boxes nobody can see. It says why on stderr and exits 0.
set -u
demo=$1
makeTestData=$2
fail() { echo "FAIL (no display): $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$makeTestData" "$work" --module /usr/share/games/bomberclone/music/slice_me_nice.xm >/dev/null ||
  fail "could not write test data"

(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
  timeout 60 "$demo" 2>"$work/stderr")
status=$?
cat "$work/stderr"
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
grep -q '^strobarium: cannot show the box "Start FullScreen?": ' "$work/stderr" || fail "no line for the unseen start question"
grep -qx 'strobarium: video: no display to open a window on (no X11 or Wayland display could be reached)' "$work/stderr" ||
  fail "no line naming the missing display"
grep -qx 'ERROR: Failed To Register The Window Class.' "$work/stderr" || fail "no start-up error line"
echo "PASS"
