#!/usr/bin/env bash
# demoWindowTest.sh CASE DEMO MAKE_TEST_DATA CURSOR_PROBE CLOSE_WINDOW
# The real demo binary under the private Xvfb it is started in (DISPLAY set by with-xvfb),
# driven from outside the way a person would. CASE:
#   windowed    No to the start question: a 1280x720 client at (0, 0) with a visible cursor;
#               holding Escape ends it with exit code 0 (the song would only end it much later)
#   close       a close request to the window after a key press: exit code 0 (the quit's)
#   sigterm     SIGTERM after a key press: a clean quit, exit code 0 and no message box
#   fullscreen  Yes on a 1280x720 screen: the popup covers the screen, the cursor is hidden
#   fallback    Yes on a 1920x1080 screen: "Ooops.." is asked, No gives "Program Will Now
#               Close." and exit 0, and no demo window ever appears
set -u
case=$1
demo=$2
makeTestData=$3
cursorProbe=$4
closeWindow=$5
here=$(cd "$(dirname "$0")" && pwd)
runDemo="$here/../support/run-demo"
module=/usr/share/games/bomberclone/music/slice_me_nice.xm
title="strobarium by kelsot"
# One frame of the full particle field can take a long while on a busy software renderer.
timeout=500

fail() { echo "FAIL ($case): $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$makeTestData" "$work" --module "$module" >/dev/null || fail "could not write test data"

# waitFor NAME SECONDS: the id of the window called NAME once it is on screen.
waitFor() {
  local id=""
  for _ in $(seq $(($2 * 10))); do
    id=$(xwininfo -name "$1" 2>/dev/null | awk '/Window id:/ { print $4; exit }')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# cursorBecomes STATE SECONDS: the window is mapped a moment before the demo applies its
# cursor, so wait for the cursor to settle rather than sample it once.
cursorBecomes() {
  for _ in $(seq $(($2 * 10))); do
    [ "$("$cursorProbe")" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

geometry() {
  xwininfo -name "$title" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+" x "+" y }'
}

answer=No
[ "$case" = fullscreen ] || [ "$case" = fallback ] && answer=Yes
"$runDemo" "$demo" "$work" "$timeout" "$answer" 2>"$work/stderr" &
runner=$!

finish() {
  wait "$runner"
  status=$?
  echo "demo exit status $status; stderr:"
  cat "$work/stderr"
  [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

case "$case" in
  windowed)
    waitFor "$title" 120 >/dev/null || fail "no window titled \"$title\""
    [ "$(geometry)" = "1280x720+0+0" ] || fail "client area $(geometry), expected 1280x720+0+0"
    [ "$("$cursorProbe")" = visible ] || fail "cursor hidden in a window"
    # Held, not tapped: a press and release drained before the same idle point cancel out,
    # and a frame here can last longer than a tap.
    xdotool keydown Escape
    finish 0
    xdotool keyup Escape
    ;;
  close)
    window=$(waitFor "$title" 120) || fail "no window titled \"$title\""
    xdotool key a
    sleep 1
    "$closeWindow" "$window" || fail "could not ask the window to close"
    finish 0
    ;;
  sigterm)
    waitFor "$title" 120 >/dev/null || fail "no window titled \"$title\""
    pid=$(xprop -name "$title" _NET_WM_PID | awk '{ print $3 }')
    [ -n "$pid" ] || fail "no process id on the window"
    xdotool key a
    sleep 1
    kill -TERM "$pid"
    finish 0
    grep -qE '^(ERROR|SHUTDOWN ERROR): ' "$work/stderr" && fail "a message box was shown"
    ;;
  fullscreen)
    waitFor "$title" 120 >/dev/null || fail "no window titled \"$title\""
    [ "$(geometry)" = "1280x720+0+0" ] || fail "window $(geometry), expected 1280x720+0+0"
    cursorBecomes hidden 10 || fail "cursor visible in fullscreen"
    kill -TERM "$(xprop -name "$title" _NET_WM_PID | awk '{ print $3 }')"
    finish 0
    ;;
  fallback)
    box=$(waitFor "Ooops.." 120) || fail "no \"Ooops..\" question"
    xwininfo -name "$title" >/dev/null 2>&1 && fail "a demo window exists during the question"
    xdotool key --window "$box" Escape
    box=$(waitFor "ERROR" 30) || fail "no \"ERROR\" box"
    xwininfo -name "$title" >/dev/null 2>&1 && fail "a demo window exists"
    xdotool key --window "$box" Return
    finish 0
    grep -qx "Ooops..: The Requested Fullscreen Mode Is Not Supported By Your Video Card. Use Windowed Mode Instead?" \
      "$work/stderr" || fail "no \"Ooops..\" line on stderr"
    grep -qx "ERROR: Program Will Now Close." "$work/stderr" || fail "no \"Program Will Now Close.\" line on stderr"
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "PASS ($case)"
