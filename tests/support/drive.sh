# Sourced by the end-to-end scripts: a program driven from outside as a person would, on the
# display in DISPLAY (with-xvfb). The caller sets case (the name fail gives) and work (a scratch
# folder); start sets demo (its PID), started (when, in ns) and writes its stderr to stderr.log.
fail() {
  echo "FAIL ($case): $*" >&2
  for f in "$work"/*.log; do [ -s "$f" ] && { echo "--- $f" >&2; tail -n 40 "$f" >&2; }; done
  exit 1
}
# The window called $1 while it is on screen (Wine keeps closed windows' X windows, unmapped).
windowId() { xwininfo -name "$1" 2>/dev/null | awk '/Window id:/ { id = $4 } /IsViewable/ { print id }'; }
waitFor() {  # a frame can be slow
  for _ in $(seq 1200); do
    windowId "$1" | grep . && return 0
    kill -0 "$demo" 2>/dev/null || fail "the program ended before a window called \"$1\" showed"
    sleep 0.1
  done
  fail "no window called \"$1\""
}
# answer BOX KEY: KEY pressed on the box called BOX until it has gone (a key can come too early,
# but a second one must not reach the next box). Keys go to the focused window: Wine takes none
# sent to a window directly. N is a Yes/No box's No, Escape too, Return its default Yes.
answer() {
  local box
  box=$(waitFor "$1") || exit 1
  for _ in $(seq 10); do
    xdotool windowfocus --sync "$box" 2>/dev/null && xdotool key "$2"
    for _ in $(seq 30); do [ -z "$(windowId "$1")" ] && return 0; sleep 0.1; done
  done
  fail "the box \"$1\" did not go away"
}
# start DIR SECONDS KEY COMMAND...: stopped after SECONDS (status 124); KEY, unless empty, answers the start question.
start() {
  started=$(date +%s%N)
  (cd "$1" && exec timeout -k 2 "$2" "${@:4}") >>"$work/out.log" 2>>"$work/stderr.log" &
  demo=$!
  [ -z "$3" ] || answer "Start FullScreen?" "$3"
}
# finish [STATUS]: the program has ended with STATUS (default 0), ms after it started.
finish() {
  wait "$demo"
  status=$? ms=$((($(date +%s%N) - started) / 1000000))
  [ "$status" -eq "${1:-0}" ] || fail "exit status $status after $ms ms, expected ${1:-0}"
}
# The program's own stderr lines (Wine's end in \r).
ours() { grep '^strobarium' "$work/stderr.log" | tr -d '\r'; }
# refused LINE: the "ERROR" box with no window called $title beside it; exit status 1, LINE (grep) among our lines.
refused() {
  waitFor "ERROR" >/dev/null || exit 1
  [ -z "$(windowId "$title")" ] || fail "the demo window is still there beside the box"
  answer "ERROR" Return
  finish 1
  ours | grep -q "$1" || fail "no line matching \"$1\""
}
# fallback NO: after Yes on a screen larger than the demo's one mode, "Ooops.." answered by the key NO.
fallback() {
  waitFor "Ooops.." >/dev/null || exit 1
  answer "Ooops.." "$1"
  refused '^strobarium: ERROR: Program Will Now Close.$'
  ours | grep -qx "strobarium: Ooops..: The Requested Fullscreen Mode Is Not Supported By Your Video Card. Use Windowed Mode Instead?" ||
    fail "no \"Ooops..\" line on stderr"
}
