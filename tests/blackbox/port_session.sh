#!/usr/bin/env bash
# The README's shell session: a headless program driven only through its command port with
# --send: two tracks loaded, both decks playing in sync, a cross-fade, and STATUS saying so.
set -u
exe="$1"
work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" GROOVEMANGLER_HOME="$work/home"
mkdir -p "$XDG_RUNTIME_DIR"
demo="$GROOVEMANGLER_PROGDIR/Demo"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
gm() { "$exe" --send "$@" >>"$work/replies"; }
word() { "$exe" --send STATUS | tr ' ' '\n' | sed -n "s/^$1=//p"; }

"$exe" --headless 2>"$work/err" &
pid=$!
trap 'kill -KILL $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 1 100); do grep -q "running headless" "$work/err" && break; sleep 0.1; done

gm "USE DECKA" "LOAD $demo/Demo 120 BPM.wav" "USE DECKB" "LOAD $demo/Demo 126 BPM.wav" || fail "the loads were refused: $(cat "$work/replies")"
for _ in $(seq 1 200); do
  [ "$(word DECKA.LOADING)$(word DECKB.LOADING)" = 00 ] && [ "$(word DECKB.BPM)" != 0 ] && break
  sleep 0.1
done
gm "CROSSFADER -60" "USE DECKA" PLAY || fail "deck A did not start"
gm "USE DECKB" SYNC PLAY || fail "deck B did not sync and start: $(tail -3 "$work/replies")"
for position in -30 0 30 60; do gm "CROSSFADER $position" || fail "CROSSFADER $position"; done

[ "$(word DECKA.PLAYING)$(word DECKB.PLAYING)" = 11 ] || fail "both decks do not play"
[ "$(word DECKB.CURRENTBPM)" -gt 0 ] && [ "$(word DECKB.PITCH)" != 10000 ] || fail "deck B did not change pitch to sync"
[ "$(word CROSSFADER)" = 60 ] || fail "the cross-fader is not at deck B"
a=$(word DECKA.CURRENTBPM) b=$(word DECKB.CURRENTBPM)
# Sync truncates the ratio to a pitch in 0.01 % steps: the tempi agree to a few hundredths of a BPM.
[ $((a - b)) -le 5 ] && [ $((b - a)) -le 5 ] || fail "synced decks run at $a and $b"

gm QUIT || fail "QUIT was refused"
wait "$pid" || fail "the program ended with status $?"
if [ "$failures" -eq 0 ]; then echo "the shell session drove both decks"; fi
exit "$failures"
