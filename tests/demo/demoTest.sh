#!/usr/bin/env bash
# demoTest.sh CASE DEMO MAKE_TEST_DATA X_PROBE SHORT_SONG
# The real demo driven from outside as a person would, inside the private Xvfb of with-xvfb
# (nodisplay runs without one). CASE:
#   windowed    No to the start question: "strobarium by kelsot" with a 1280x720 client area
#               at (0, 0) and a visible cursor; a tap of Escape ends it, exit 0
#   close       a close request (WM_DELETE_WINDOW) after a key press: exit 0
#   sigterm     SIGTERM after a key press: a clean quit, exit 0, no box
#   fullscreen  Yes on a 1280x720 screen: the window covers it and the cursor is hidden
#   fallback    Yes on a larger screen: "Ooops.." asked before any demo window; No: "Program Will Now Close.", exit 0
#   nodisplay   no display at all: exit 0, at most two stderr lines, ours, naming the reason
#   music       the installed demo started where Data/ lacks the module: that Data/ wins, and
#               the window opens and closes again silently, exit 0, one stderr line
#   installed   `cmake --install` into a fresh prefix, started in an empty home folder: it finds
#               its installed data, its X11 class is the desktop entry's, a tap of Escape ends it
#   end17       20 orders, crawling after row 16 of order 17: the demo ends there by itself
#   songend     5 orders: the demo ends with the song
set -u
case=$1 demo=$2 makeTestData=$3 probe=$4 shortSong=$5
title="strobarium by kelsot"
fail() { echo "FAIL ($case): $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
module=/usr/share/games/bomberclone/music/slice_me_nice.xm
case "$case" in
  music) module="" ;;
  end17) module=$work/song.xm; "$shortSong" "$module" 20 || fail "no song" ;;
  songend) module=$work/song.xm; "$shortSong" "$module" 5 || fail "no song" ;;
esac
"$makeTestData" "$work" ${module:+--module "$module"} >/dev/null || fail "could not write test data"
cwd=$work
if [ "$case" = installed ] || [ "$case" = music ]; then
  # Everything is in the one default component; naming it keeps the build's own install_manifest.txt.
  cmake --install "$(dirname "$demo")" --prefix "$work/prefix" --component Unspecified >/dev/null || fail "cmake --install failed"
  demo=$work/prefix/bin/strobarium
fi
[ "$case" = installed ] && cwd=$work/home && mkdir "$cwd" && export HOME=$cwd

# waitFor NAME: the id of the window called NAME once it is on screen (a frame can be slow).
waitFor() {
  for _ in $(seq 1200); do
    xwininfo -name "$1" 2>/dev/null | awk '/Window id:/ { print $4; found = 1 } END { exit !found }' && return 0
    sleep 0.1
  done
  return 1
}
geometry() {
  xwininfo -name "$title" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+" x "+" y }'
}
demoPid() { xprop -name "$title" _NET_WM_PID | awk '{ print $3 }'; }
finish() {
  wait "$runner"
  status=$?
  ms=$(( ($(date +%s%N) - started) / 1000000 ))
  echo "demo exit status $status after $ms ms; stderr:"
  cat "$work/stderr"
  [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

answer=No limit=120
case "$case" in fullscreen | fallback) answer=Yes ;; end17 | songend) limit=90 ;; esac
started=$(date +%s%N)
if [ "$case" = nodisplay ]; then
  (cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout 60 "$demo") \
    2>"$work/stderr" &
else
  "$(dirname "$0")/../support/run-demo" "$demo" "$cwd" "$limit" "$answer" 2>"$work/stderr" &
fi
runner=$!

case "$case" in
  windowed)
    waitFor "$title" >/dev/null || fail "no window titled \"$title\""
    [ "$(geometry)" = "1280x720+0+0" ] || fail "client area $(geometry), expected 1280x720+0+0"
    [ "$("$probe" cursor)" = visible ] || fail "cursor hidden in a window"
    # One tap, press and release at once: both reach the demo while it draws a frame.
    xdotool key Escape
    finish 0
    ;;
  close | sigterm)
    window=$(waitFor "$title") || fail "no window titled \"$title\""
    xdotool key a
    sleep 1
    if [ "$case" = close ]; then "$probe" close "$window" || fail "could not ask to close"; else kill -TERM "$(demoPid)"; fi
    finish 0
    grep -q 'ERROR' "$work/stderr" && fail "a message box was shown"
    ;;
  fullscreen)
    waitFor "$title" >/dev/null || fail "no window titled \"$title\""
    [ "$(geometry)" = "1280x720+0+0" ] || fail "window $(geometry), expected 1280x720+0+0"
    # The window is mapped a moment before the demo applies its cursor.
    for _ in $(seq 100); do [ "$("$probe" cursor)" = hidden ] && break; sleep 0.1; done
    [ "$("$probe" cursor)" = hidden ] || fail "cursor visible in fullscreen"
    kill -TERM "$(demoPid)"
    finish 0
    ;;
  fallback)
    box=$(waitFor "Ooops..") || fail "no \"Ooops..\" question"
    xwininfo -name "$title" >/dev/null 2>&1 && fail "a demo window exists during the question"
    xdotool key --window "$box" Escape
    box=$(waitFor "ERROR") || fail "no \"ERROR\" box"
    xdotool key --window "$box" Return
    finish 0
    grep -qx "strobarium: Ooops..: The Requested Fullscreen Mode Is Not Supported By Your Video Card. Use Windowed Mode \
Instead?" "$work/stderr" || fail "no \"Ooops..\" line on stderr"
    grep -qx "strobarium: ERROR: Program Will Now Close." "$work/stderr" || fail "no \"Program Will Now Close.\" line"
    ;;
  nodisplay)
    finish 0
    # Our own words only, and few: no other program's error text.
    [ "$(grep -vc '^strobarium: ' "$work/stderr")" -eq 0 ] && [ "$(wc -l <"$work/stderr")" -le 2 ] || fail "stderr not ours"
    grep -q '^strobarium: no display' "$work/stderr" || fail "no line naming the missing display"
    ;;
  installed)
    for f in bin/strobarium-capture share/applications/strobarium.desktop share/icons/hicolor/256x256/apps/strobarium.png \
      share/metainfo/io.github.kelsot.strobarium.metainfo.xml share/doc/strobarium/copyright; do
      [ -s "$work/prefix/$f" ] || fail "$f not installed"
    done
    waitFor "$title" >/dev/null || fail "no window titled \"$title\""
    xprop -name "$title" WM_CLASS | grep -q '"OpenGL"$' || fail "X11 class is not the desktop entry's OpenGL"
    xdotool key Escape
    finish 0
    [ ! -s "$work/stderr" ] || fail "something went wrong on stderr"
    ;;
  music)
    finish 0
    [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "not exactly one stderr line"
    grep -q '^strobarium: music: .*Data/sonavel3.xm' "$work/stderr" || fail "the line does not name the module"
    ;;
  end17)
    finish 0
    # Order 17 cannot play before 17 orders of 0.31 s; the song would end two minutes later.
    [ "$ms" -gt 5300 ] || fail "ended before order 17"
    ;;
  songend)
    finish 0
    [ "$ms" -gt 1500 ] || fail "ended before the song's fifth order"
    ;;
  *) fail "unknown case" ;;
esac
echo "PASS ($case)"
