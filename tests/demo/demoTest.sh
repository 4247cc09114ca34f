#!/usr/bin/env bash
# demoTest.sh CASE DEMO MAKE_TEST_DATA X_PROBE SHORT_SONG: the real demo driven from outside as a
# person would, in the private Xvfb of with-xvfb (nodisplay: none), ending with its exit status:
# 0 for an ending of the demo's own, 1 after a failure it has told of, 143 after SIGTERM.
#   windowed, fullscreen: No or Yes to the start question; 1280x720 at (0, 0), cursor shown or hidden
#   close, sigterm: a close request (WM_DELETE_WINDOW) or SIGTERM after a key press, no box
#   question: SIGTERM while the start question is up ends it at once, box and all
#   reset: on a server that resets when its last client leaves, nothing is lost after the question
#   nosound: no sound device; the question answered Yes, the song plays to its end on its clock
#   bitmap: a bitmap that is not one; the "ERROR" box names the file and the cause
#   fallback: Yes on a larger screen, "Ooops.." before any demo window, No, "Program Will Now Close."
#   refused: the same where the display lists 1280x720 and then refuses to switch to it
#   nodisplay: at most two stderr lines, ours; music: the installed demo where Data/ lacks the module
#   (that Data/ wins), one stderr line; installed: windowed from an empty home, the desktop's X11 class
#   end17, songend: 20 orders, crawling after order 17 row 16, or 5: the demo ends there by itself
set -u
case=$1 demo=$2 makeTestData=$3 probe=$4 shortSong=$5
title="strobarium by kelsot"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../support/drive.sh"
key=Escape limit=120 cwd=$work module=/usr/share/games/bomberclone/music/slice_me_nice.xm orders=0
case "$case" in
  fullscreen | fallback | refused) key=Return ;;
  question) key= limit=20 ;;
  reset) limit=20 ;;
  music) module="" ;;
  end17) limit=90 orders=20 ;;
  songend | nosound) limit=90 orders=5 ;;
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
[ "$case" = bitmap ] && echo "BM but no more" >"$work/Data/warning.bmp"
export SDL_AUDIODRIVER=dummy
[ "$case" = nosound ] && export SDL_AUDIODRIVER=no-such-driver
geometry() {
  xwininfo -name "$title" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+" x "+" y }'
}
demoPid() { xprop -name "$title" _NET_WM_PID | awk '{ print $3 }'; }
errors=$work/stderr.log

if [ "$case" = reset ]; then
  # A client of the test's own holds the server until the demo is connected; a property on the
  # root window is lost if the server resets after that.
  xprop -root -spy _TEST >/dev/null 2>&1 &
  holder=$!
  xprop -root -f _TEST 8s -set _TEST kept
fi
if [ "$case" = nodisplay ]; then
  start "$work" 60 "" env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$demo"
elif [ "$case" = refused ]; then
  start "$cwd" "$limit" "$key" env LD_PRELOAD="$STROBARIUM_REFUSE_MODE" "$demo"
else
  start "$cwd" "$limit" "$key" "$demo"
fi

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
    finish $([ "$case" = fullscreen ] && echo 143)
    [ ! -s "$errors" ] || fail "something went wrong on stderr"
    ;;
  close | sigterm)
    window=$(waitFor "$title") || exit 1
    xdotool key a
    sleep 1
    if [ "$case" = close ]; then "$probe" close "$window" || fail "could not ask to close"; else kill -TERM "$(demoPid)"; fi
    finish $([ "$case" = sigterm ] && echo 143)
    grep -q 'ERROR' "$errors" && fail "a message box was shown"
    ;;
  question)
    waitFor "Start FullScreen?" >/dev/null
    sleep 0.5
    started=$(date +%s%N)
    kill -TERM "$(pgrep -P "$demo")"  # the demo, under timeout
    finish 143
    [ "$ms" -lt 2000 ] || fail "took $ms ms to stop"
    xwininfo -name "Start FullScreen?" >/dev/null 2>&1 && fail "the box outlived the demo"
    ;;
  reset)
    kill "$holder"
    waitFor "$title" >/dev/null
    [ "$(xprop -root _TEST)" = '_TEST(STRING) = "kept"' ] || fail "the server reset between the question and the window"
    xdotool key Escape
    finish
    ;;
  nosound)
    answer "No Sound" Return
    finish
    grep -q '^strobarium: No Sound: No Sound Device Could Be Opened (no audio device: .*). Play Without Sound?$' "$errors" ||
      fail "no question naming the missing sound device"
    [ "$ms" -gt 1500 ] || fail "ended before the song's fifth order"
    ;;
  bitmap) refused '^strobarium: ERROR: Initialization Failed. Data/warning.bmp: too short for a BMP header$' ;;
  fallback | refused)
    fallback Escape
    ours | grep -qx "strobarium: Ooops..: The Requested Fullscreen Mode Is Not Supported By Your Video Card. Use Windowed Mode \
Instead?" || fail "no \"Ooops..\" line on stderr"
    ;;
  nodisplay)
    finish 1
    # Our own words only, and few: no other program's error text.
    [ "$(grep -vc '^strobarium: ' "$errors")" -eq 0 ] && [ "$(wc -l <"$errors")" -le 2 ] || fail "stderr not ours"
    grep -q '^strobarium: no display' "$errors" || fail "no line naming the missing display"
    ;;
  music)
    refused '^strobarium: ERROR: Initialization Failed. .*Data/sonavel3.xm'
    [ "$(wc -l <"$errors")" -eq 1 ] || fail "not exactly one stderr line"
    ;;
  # Order 17 cannot play before 17 orders of 0.31 s; the song would end two minutes later.
  end17) finish; [ "$ms" -gt 5300 ] || fail "ended before order 17" ;;
  songend) finish; [ "$ms" -gt 1500 ] || fail "ended before the song's fifth order" ;;
  *) fail "unknown case" ;;
esac
echo "PASS ($case)"
