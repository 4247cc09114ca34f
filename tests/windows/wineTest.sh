#!/usr/bin/env bash
# wineTest.sh CASE ZIP PREFIX LINUX_CAPTURE: the Windows build from its zip, unpacked into a fresh
# folder and run under Wine in the private Xvfb of with-xvfb, in the Wine prefix PREFIX (made by
# the case "prefix"; the cases share it one at a time). Wine's own output goes to files shown
# only when a case fails. Every run of the demo must end with exit 0.
#   windowed: No to the start question; "strobarium by kelsot" 1280x720; Escape ends it
#   fullscreen: Yes; the display switched to 1280x720 holds the window at (0, 0); Escape ends it
#   fallback: Yes on a larger screen: the "Ooops.." question before any demo window, No, then
#             "Program Will Now Close."
#   bitmap:   Data/ without warning.bmp: "Initialization Failed." under "ERROR", no demo window
#   module:   Data/ without the song: the demo opens and closes by itself, no box
#   music:    SDL's disk driver gets the song as the Linux capture mixes it
#   capture:  a stretch of the song to PNG: frame hashes and audio.wav as the Linux build's
set -u
case=$1 zip=$2 prefix=$3 linuxCapture=$4
title="strobarium by kelsot"
work=$(mktemp -d)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
cleanup() { wineserver -k 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() {
  echo "FAIL ($case): $*" >&2
  for f in "$work"/*.log; do [ -s "$f" ] && { echo "--- $(basename "$f")" >&2; tail -n 40 "$f" >&2; }; done
  exit 1
}
# A path of ours as Windows programs see it under Wine.
windowsPath() { echo "Z:${1//\//\\}"; }

if [ "$case" = prefix ]; then
  # Made once per build folder; a half-made one (no system.reg yet) is made again.
  [ -f "$prefix/system.reg" ] && exit 0
  rm -rf "$prefix"
  wineboot --init >"$work/wineboot.log" 2>&1 && wineserver -w || fail "wineboot failed"
  exit 0
fi
[ -f "$prefix/system.reg" ] || fail "no Wine prefix at $prefix"

unzip -q "$zip" -d "$work" || fail "cannot unpack $zip"
app=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'strobarium-*-win64')
[ -n "$app" ] || fail "the zip has no strobarium-*-win64 folder"

# The window called $1 while it is on screen (Wine keeps closed windows' X windows, unmapped).
windowId() { xwininfo -name "$1" 2>/dev/null | awk '/Window id:/ { id = $4 } /IsViewable/ { print id }'; }
waitFor() {
  for _ in $(seq 600); do
    id=$(windowId "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$demo" 2>/dev/null || fail "the demo ended before a window called \"$1\" showed"
    sleep 0.1
  done
  fail "no window called \"$1\""
}
# Keys go to the focused window only: Wine takes no keys sent to a window directly.
press() { xdotool windowfocus --sync "$1" && xdotool key "$2"; }
# No sound card here: SDL's disk driver plays into a file.
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$(windowsPath "$work/heard.raw")"
# answer BOX KEY: KEY pressed on the box called BOX until it has gone (a key can come too early,
# but a second one must not reach the next box). N is a Yes/No box's No, Return its default Yes.
answer() {
  box=$(waitFor "$1") || exit 1
  for _ in $(seq 10); do
    press "$box" "$2" 2>/dev/null
    for _ in $(seq 30); do
      [ -z "$(windowId "$1")" ] && return 0
      sleep 0.1
    done
  done
  fail "the box \"$1\" did not go away"
}
startDemo() {  # [KEY for the start question, default n]
  # Started from another folder: the demo finds Data/ beside itself.
  (cd "$work" && exec timeout 120 wine "$app/strobarium.exe") >"$work/wine.log" 2>"$work/stderr.log" &
  demo=$!
  answer "Start FullScreen?" "${1:-n}"
}
finish() {
  wait "$demo"
  status=$?
  [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
}
# Our own stderr lines, without Wine's and SDL's.
ours() { grep '^strobarium' "$work/stderr.log" | tr -d '\r'; }

case "$case" in
  windowed | fullscreen | music)
    startDemo "$([ "$case" = fullscreen ] && echo Return)"
    window=$(waitFor "$title") || exit 1
    size=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
    [ "$size" = 1280x720 ] || fail "window $size, expected 1280x720"
    [ "$case" != fullscreen ] || xwininfo -id "$window" | grep -q 'Absolute upper-left X: *0$' || fail "not at the left edge"
    [ "$case" = music ] && sleep 3
    # Again while it runs, in case the window could not take the focus yet.
    for _ in $(seq 20); do
      press "$window" Escape 2>/dev/null
      sleep 0.5
      kill -0 "$demo" 2>/dev/null || break
    done
    finish
    [ -z "$(ours)" ] || fail "something went wrong on stderr: $(ours)"
    if [ "$case" = music ]; then
      (cd "$app" && "$linuxCapture" --png --end 2 --size 320x180 -o "$work/linux") >"$work/linux-capture.log" 2>&1 ||
        fail "the Linux capture failed"
      # The device starts with silence of its own; from the song's first sound on, a second of
      # what was heard is what the capture mixed.
      firstSound() { od -An -v -tu1 -w1 -j "$2" "$1" | awk '$1 != 0 { print NR - 1 + skip; exit }' skip="$2"; }
      heard=$(firstSound "$work/heard.raw" 0) mixed=$(firstSound "$work/linux/audio.wav" 44)
      [ -n "$heard" ] || fail "only silence was heard"
      cmp -s -n 176400 -i "$heard:$mixed" "$work/heard.raw" "$work/linux/audio.wav" ||
        fail "what was heard is not the song: $(cmp -n 176400 -i "$heard:$mixed" "$work/heard.raw" "$work/linux/audio.wav")"
    fi
    ;;
  fallback)
    startDemo Return
    box=$(waitFor "Ooops..") || exit 1
    [ -z "$(windowId "$title")" ] || fail "a demo window exists during the question"
    answer "Ooops.." n
    answer "ERROR" Return
    finish
    ours | grep -qx 'strobarium: ERROR: Program Will Now Close.' || fail "no \"Program Will Now Close.\" line"
    ;;
  bitmap)
    rm "$app/Data/warning.bmp"
    startDemo
    box=$(waitFor "ERROR") || exit 1
    [ -z "$(windowId "$title")" ] || fail "the demo window is still there beside the box"
    ours | grep -qx 'strobarium: ERROR: Initialization Failed.' || fail "no \"Initialization Failed.\" line"
    press "$box" Return
    finish
    ;;
  module)
    rm "$app/Data/sonavel3.xm"
    startDemo
    finish
    ours | grep -q '^strobarium: music: .*Data/sonavel3.xm' || fail "no line naming the missing song"
    ours | grep -q 'ERROR' && fail "a box was shown"
    ;;
  capture)
    # Order 6 from its start: the whole field lit, scattering and changing colour.
    options=(--png --start 6:0 --end 6:8 --size 640x360)
    (cd "$app" && wine strobarium-capture.exe "${options[@]}" -o "$(windowsPath "$work/windows")") \
      >"$work/windows-capture.log" 2>&1 || fail "strobarium-capture.exe failed"
    (cd "$app" && "$linuxCapture" "${options[@]}" -o "$work/linux") >"$work/linux-capture.log" 2>&1 || fail "the Linux capture failed"
    frames=$(ls "$work/windows"/frame-*.png 2>/dev/null | wc -l)
    [ "$frames" -gt 0 ] && [ "$frames" -eq "$(ls "$work/linux"/frame-*.png | wc -l)" ] ||
      fail "$frames PNG frames from Windows, $(ls "$work/linux"/frame-*.png | wc -l) from Linux"
    diff <(tr -d '\r' <"$work/windows/frames.log") "$work/linux/frames.log" >"$work/frames-diff.log" ||
      fail "frames.log differs from the Linux build's"
    cmp "$work/windows/audio.wav" "$work/linux/audio.wav" >"$work/audio-cmp.log" || fail "audio.wav differs"
    ;;
  *) fail "unknown case" ;;
esac
echo "PASS ($case)"
