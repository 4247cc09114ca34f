#!/usr/bin/env bash
# demoTest.sh CASE DEMO MAKE_TEST_DATA X_PROBE SHORT_SONG: the real demo driven from outside as a
# person would, in the private Xvfb of with-xvfb (nodisplay: none). Every case ends with exit 0.
#   windowed, fullscreen: No or Yes to the start question; 1280x720 at (0, 0), cursor shown or hidden
#   close, sigterm: a close request (WM_DELETE_WINDOW) or SIGTERM after a key press, no box
#   fallback: Yes on a larger screen, "Ooops.." before any demo window, No, "Program Will Now Close."
#   nodisplay: at most two stderr lines, ours; music: the installed demo where Data/ lacks the module
#   (that Data/ wins), one stderr line; installed: windowed from an empty home, the desktop's X11 class
#   end17, songend: 20 orders, crawling after order 17 row 16, or 5: the demo ends there by itself
set -u
case=$1 demo=$2 makeTestData=$3 probe=$4 shortSong=$5
title="strobarium by kelsot"
fail() { echo "FAIL ($case): $*" >&2; cat "$work/stderr" >&2 2>/dev/null; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
answer=No limit=120 cwd=$work module=/usr/share/games/bomberclone/music/slice_me_nice.xm orders=0
case "$case" in
  fullscreen | fallback) answer=Yes ;;
  music) module="" ;;
  end17) limit=90 orders=20 ;;
  songend) limit=90 orders=5 ;;
esac
[ "$orders" -gt 0 ] && module=$work/song.xm && { "$shortSong" "$module" "$orders" || fail "no song"; }
"$makeTestData" "$work" ${module:+--module "$module"} >/dev/null || fail "could not write test data"
if [ "$case" = installed ] || [ "$case" = music ]; then
  # Everything is in the one default component; naming it keeps the build's own install_manifest.txt.
  cmake --install "$(dirname "$demo")" --prefix "$work/prefix" --component Unspecified >/dev/null || fail "cmake --install failed"
  demo=$work/prefix/bin/strobarium
  for f in bin/strobarium-capture share/applications/strobarium.desktop share/icons/hicolor/256x256/apps/strobarium.png \
    share/metainfo/io.github.kelsot.strobarium.metainfo.xml share/doc/strobarium/copyright; do
    [ -s "$work/prefix/$f" ] || fail "$f not installed"
  done
fi
[ "$case" = installed ] && cwd=$work/home && mkdir "$cwd" && export HOME=$cwd

# waitFor NAME: the id of the window called NAME once it is on screen (a frame can be slow).
waitFor() {
  for _ in $(seq 1200); do
    xwininfo -name "$1" 2>/dev/null | awk '/Window id:/ { print $4; found = 1 } END { exit !found }' && return 0
    sleep 0.1
  done
  fail "no window called \"$1\""
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
  [ "$status" -eq 0 ] || fail "exit status $status after $ms ms, expected 0; stderr:"
}

started=$(date +%s%N)
if [ "$case" = nodisplay ]; then
  (cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout 60 "$demo") \
    2>"$work/stderr" &
else
  "$(dirname "$0")/../support/run-demo" "$demo" "$cwd" "$limit" "$answer" 2>"$work/stderr" &
fi
runner=$!

case "$case" in
  windowed | fullscreen | installed)
    waitFor "$title" >/dev/null
    [ "$(geometry)" = "1280x720+0+0" ] || fail "window $(geometry), expected 1280x720+0+0"
    [ "$case" != installed ] || xprop -name "$title" WM_CLASS | grep -q '"OpenGL"$' || fail "X11 class is not the desktop entry's OpenGL"
    if [ "$case" != fullscreen ]; then
      [ "$("$probe" cursor)" = visible ] || fail "cursor hidden in a window"
      # One tap, press and release at once: both reach the demo while it draws a frame.
      xdotool key Escape
    else
      # The window is mapped a moment before the demo applies its cursor.
      for _ in $(seq 100); do [ "$("$probe" cursor)" = hidden ] && break; sleep 0.1; done
      [ "$("$probe" cursor)" = hidden ] || fail "cursor visible in fullscreen"
      kill -TERM "$(demoPid)"
    fi
    finish
    [ ! -s "$work/stderr" ] || fail "something went wrong on stderr"
    ;;
  close | sigterm)
    window=$(waitFor "$title") || exit 1
    xdotool key a
    sleep 1
    if [ "$case" = close ]; then "$probe" close "$window" || fail "could not ask to close"; else kill -TERM "$(demoPid)"; fi
    finish
    grep -q 'ERROR' "$work/stderr" && fail "a message box was shown"
    ;;
  fallback)
    box=$(waitFor "Ooops..") || exit 1
    xwininfo -name "$title" >/dev/null 2>&1 && fail "a demo window exists during the question"
    xdotool key --window "$box" Escape
    box=$(waitFor "ERROR") || exit 1
    xdotool key --window "$box" Return
    finish
    grep -qx "strobarium: Ooops..: The Requested Fullscreen Mode Is Not Supported By Your Video Card. Use Windowed Mode \
Instead?" "$work/stderr" || fail "no \"Ooops..\" line on stderr"
    grep -qx "strobarium: ERROR: Program Will Now Close." "$work/stderr" || fail "no \"Program Will Now Close.\" line"
    ;;
  nodisplay)
    finish
    # Our own words only, and few: no other program's error text.
    [ "$(grep -vc '^strobarium: ' "$work/stderr")" -eq 0 ] && [ "$(wc -l <"$work/stderr")" -le 2 ] || fail "stderr not ours"
    grep -q '^strobarium: no display' "$work/stderr" || fail "no line naming the missing display"
    ;;
  music)
    finish
    [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "not exactly one stderr line"
    grep -q '^strobarium: music: .*Data/sonavel3.xm' "$work/stderr" || fail "the line does not name the module"
    ;;
  # Order 17 cannot play before 17 orders of 0.31 s; the song would end two minutes later.
  end17) finish; [ "$ms" -gt 5300 ] || fail "ended before order 17" ;;
  songend) finish; [ "$ms" -gt 1500 ] || fail "ended before the song's fifth order" ;;
  *) fail "unknown case" ;;
esac
echo "PASS ($case)"
