#!/usr/bin/env bash
# demoTest.sh CASE DEMO X_PROBE SHORT_SONG REFUSE_MODE: the real demo driven from outside as a person would, in
# the private Xvfb of with-xvfb, on a copy of the Data/ beside DEMO; what each case checks is what it fails on.
# The demo exits 0 for an ending of its own, 1 after a failure it has told of, 143 after SIGTERM.
set -u
case=$1 demo=$2 probe=$3 shortSong=$4 refuseMode=$5
title="strobarium by kelsot"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../support/drive.sh"
key=Escape limit=120 cwd=$work module=/usr/share/games/bomberclone/music/slice_me_nice.xm orders=0 audio=dummy wrapper=()
case "$case" in
  fullscreen | fallback) key=Return ;;
  # The screen of the demo's own size lists its mode; the preloaded display refuses to switch to it.
  refused) key=Return wrapper=(env LD_PRELOAD="$refuseMode") ;;
  nodisplay) key= limit=60 wrapper=(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER) ;;
  question) key= limit=20 ;;
  # Installed, run from a working folder whose Data/ lacks the module: that Data/ wins.
  music) module="" ;;
  end17) limit=90 orders=20 ;;
  nosound) limit=90 orders=5 audio=no-such-driver ;;
esac
cp -r "$(dirname "$demo")/Data" "$work" && rm "$work/Data/sonavel3.xm" || fail "no Data/ beside $demo"
[ -z "$module" ] || cp "$module" "$work/Data/sonavel3.xm" || fail "could not copy $module"
[ "$orders" -eq 0 ] || "$shortSong" "$work/Data/sonavel3.xm" "$orders" || fail "no song"
if [ "$case" = windowed ] || [ "$case" = music ]; then
  # Everything is in the one default component; naming it keeps the build's own install_manifest.txt.
  cmake --install "$(dirname "$demo")" --prefix "$work/prefix" --component Unspecified >/dev/null || fail "cmake --install failed"
  demo=$work/prefix/bin/strobarium
  for f in bin/strobarium-capture share/applications/strobarium.desktop share/icons/hicolor/256x256/apps/strobarium.png \
    share/metainfo/io.github.kelsot.strobarium.metainfo.xml share/doc/strobarium/copyright; do
    [ -s "$work/prefix/$f" ] || fail "$f not installed"
  done
fi
[ "$case" = windowed ] && cwd=$work/home && mkdir "$cwd" && export HOME=$cwd
export SDL_AUDIODRIVER=$audio
errors=$work/stderr.log
stop() { kill -TERM "$(pgrep -P "$demo")"; }  # the demo, under timeout

if [ "$case" = close ]; then
  # A client of the test's own holds the server (from its first line on) until the demo is
  # connected; a property on the root window is lost if the server resets after that.
  xprop -root -spy _TEST >"$work/holder.out" 2>&1 &
  holder=$!
  for _ in $(seq 100); do [ -s "$work/holder.out" ] && break; sleep 0.05; done
  xprop -root -f _TEST 8s -set _TEST kept
fi
start "$cwd" "$limit" "$key" "${wrapper[@]}" "$demo"

case "$case" in
  windowed | fullscreen)
    window=$(waitFor "$title") || exit 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "${WIDTH}x$HEIGHT+$X+$Y" = "1280x720+0+0" ] || fail "window ${WIDTH}x$HEIGHT+$X+$Y, expected 1280x720+0+0"
    if [ "$case" = windowed ]; then
      xprop -id "$window" WM_CLASS | grep -q '"OpenGL"$' || fail "X11 class is not the desktop entry's OpenGL"
      [ "$("$probe" cursor)" = visible ] || fail "cursor hidden in a window"
      # One tap, press and release at once: both reach the demo while it draws a frame.
      xdotool key Escape
      finish
    else
      # The window is mapped a moment before the demo applies its cursor.
      for _ in $(seq 100); do [ "$("$probe" cursor)" = hidden ] && break; sleep 0.1; done
      [ "$("$probe" cursor)" = hidden ] || fail "cursor visible in fullscreen"
      stop
      finish 143
    fi
    [ ! -s "$errors" ] || fail "something went wrong on stderr"
    ;;
  close)
    kill "$holder"
    window=$(waitFor "$title") || exit 1
    [ "$(xprop -root _TEST)" = '_TEST(STRING) = "kept"' ] || fail "the server reset between the question and the window"
    xdotool key a
    sleep 1
    "$probe" close "$window" || fail "could not ask to close"
    finish
    ;;
  question)
    waitFor "Start FullScreen?" >/dev/null
    sleep 0.5
    started=$(date +%s%N)
    stop
    finish 143
    [ "$ms" -lt 2000 ] || fail "took $ms ms to stop"
    xwininfo -name "Start FullScreen?" >/dev/null 2>&1 && fail "the box outlived the demo"
    ;;
  nosound)
    answer "No Sound" Return
    finish
    grep -q '^strobarium: No Sound: No Sound Device Could Be Opened (no audio device: .*). Play Without Sound?$' "$errors" ||
      fail "no question naming the missing sound device"
    [ "$ms" -gt 1500 ] || fail "ended before the song's fifth order"
    ;;
  fallback | refused) fallback Escape ;;
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
  *) fail "unknown case" ;;
esac
echo "PASS ($case)"
