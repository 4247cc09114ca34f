#!/usr/bin/env bash
# wineTest.sh CASE ZIP PREFIX LINUX_CAPTURE: the Windows zip, unpacked afresh, under Wine in the
# Xvfb of with-xvfb and the Wine prefix PREFIX (made by the case "prefix"). Wine's output is shown
# only when a case fails. A missing song takes the same box and loader as on Linux (demo_music).
set -u
case=$1 zip=$2 prefix=$3 linuxCapture=$4
title="strobarium by kelsot"
work=$(mktemp -d)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# SDL's disk driver plays into a file (Windows paths: Z: is /).
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="Z:${work//\//\\}\\heard.raw"
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/../support/drive.sh"

if [ "$case" = prefix ]; then  # once per build folder; a half-made one (no system.reg) again
  [ -f "$prefix/system.reg" ] || { rm -rf "$prefix"; wineboot --init >"$work/boot.log" 2>&1 && wineserver -w || fail "wineboot"; }
  exit 0
fi
unzip -q "$zip" -d "$work" && app=$(echo "$work"/strobarium-*-win64) && [ -d "$app" ] || fail "cannot unpack $zip"

# From another folder: Data/ is beside the program. KEY for the start question, default N(o).
startDemo() { start "$work" 120 "${1:-n}" wine "$app/strobarium.exe"; }

case "$case" in
  fullscreen | music)
    startDemo "$([ "$case" = fullscreen ] && echo Return)"
    window=$(waitFor "$title") || exit 1
    [ "$(xwininfo -id "$window" | awk '/Width:|Height:/ { printf "%s ", $2 }')" = "1280 720 " ] || fail "not 1280x720"
    [ "$case" != fullscreen ] || xwininfo -id "$window" | grep -q 'Absolute upper-left X: *0$' || fail "not at the left edge"
    [ "$case" = music ] && sleep 3
    answer "$title" Escape
    finish
    [ -z "$(ours)" ] || fail "something went wrong on stderr: $(ours)"
    if [ "$case" = music ]; then
      (cd "$app" && "$linuxCapture" --png --end 2 --size 320x180 -o "$work/linux") >"$work/linux.log" 2>&1 || fail "Linux capture"
      # After the device's own silence, a second of what was heard is what the capture mixed.
      firstSound() { od -An -v -tu1 -w1 -j "$2" "$1" | awk '$1 != 0 { print NR - 1 + skip; exit }' skip="$2"; }
      heard=$(firstSound "$work/heard.raw" 0) mixed=$(firstSound "$work/linux/audio.wav" 44)
      cmp -n 176400 -i "${heard:-0}:$mixed" "$work/heard.raw" "$work/linux/audio.wav" >"$work/cmp.log" || fail "not the song"
    fi
    ;;
  fallback)
    startDemo Return
    fallback n
    ;;
  bitmap)
    rm "$app/Data/warning.bmp"
    startDemo
    refused '^strobarium: ERROR: Initialization Failed. Data/warning.bmp: cannot open the file$'
    ;;
  capture)  # alone and in 65 parts at once, more than Windows waits on in one call
    # Order 6 from its start: the whole field lit, scattering and changing colour.
    options=(--png --start 6:0 --end 6:8 --size 640x360)
    (cd "$app" && wine strobarium-capture.exe "${options[@]}" -o "Z:${work//\//\\}\\windows") >"$work/windows.log" 2>&1 ||
      fail "strobarium-capture.exe"
    (cd "$app" && "$linuxCapture" "${options[@]}" -o "$work/linux") >"$work/linux.log" 2>&1 || fail "Linux capture"
    [ "$(ls "$work/windows"/frame-*.png | wc -l)" -eq "$(ls "$work/linux"/frame-*.png | wc -l)" ] || fail "PNG frames"
    cmp "$work/windows/frames.log" "$work/linux/frames.log" >"$work/cmp.log" || fail "frames.log differs"
    cmp "$work/windows/audio.wav" "$work/linux/audio.wav" >"$work/cmp.log" || fail "audio.wav differs"
    options=(--png --start 1 --end 1.65 --fps 100 --size 320x180)
    (cd "$app" && wine strobarium-capture.exe "${options[@]}" --jobs 65 -o "Z:${work//\//\\}\\parts") >"$work/parts.log" 2>&1 ||
      fail "strobarium-capture.exe --jobs 65"
    (cd "$app" && "$linuxCapture" "${options[@]}" -o "$work/whole") >"$work/whole.log" 2>&1 || fail "Linux capture"
    grep -q '65 parts captured and joined' "$work/parts.log" || fail "not 65 parts"
    cmp "$work/parts/frames.log" "$work/whole/frames.log" >"$work/cmp.log" || fail "frames.log of the parts differs"
    ;;
  *) fail "unknown case" ;;
esac
echo "PASS ($case)"
