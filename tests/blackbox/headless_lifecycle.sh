#!/usr/bin/env bash
# The headless program from the outside: options, start on the null output, clean end on SIGTERM
# and SIGINT with exit status 0.
set -u
exe="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" GROOVEMANGLER_HOME="$work/home"
mkdir -p "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$exe" --help >"$work/help" 2>&1 || fail "--help exits non-zero"
for option in --headless --progdir --home --help --version; do
  grep -q -- "$option" "$work/help" || fail "--help does not document $option"
done

"$exe" --no-such-option >"$work/bad" 2>&1
[ $? -eq 2 ] || fail "an unknown option does not exit with status 2"
grep -q "Usage:" "$work/bad" || fail "an unknown option does not print the usage"

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
"$exe" >"$work/nodisplay" 2>&1
[ $? -ne 0 ] && grep -q -- "--headless" "$work/nodisplay" || fail "without a display the program does not point at --headless"

for sig in TERM INT; do
  "$exe" --headless >"$work/out" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do grep -q "running headless" "$work/out" && break; sleep 0.1; done
  grep -q "running headless" "$work/out" || fail "headless did not start: $(cat "$work/out")"
  kill -"$sig" "$pid"
  wait "$pid"
  status=$?
  [ "$status" -eq 0 ] || fail "SIG$sig ended headless with status $status"
done

# A FIFO named as a track is no file: it is reported, and SIGTERM still ends the program.
mkfifo "$work/pipe.wav"
"$exe" --headless "$work/pipe.wav" >"$work/fifo" 2>&1 &
pid=$!
for _ in $(seq 1 100); do grep -q "Not a file" "$work/fifo" && break; sleep 0.1; done
grep -q "Couldn't load pipe.wav: Not a file." "$work/fifo" || fail "a FIFO track is not reported: $(cat "$work/fifo")"
kill -TERM "$pid"
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  kill -KILL "$pid"
  fail "SIGTERM did not end the program given a FIFO"
fi
wait "$pid" || fail "the program given a FIFO ended with status $?"

"$exe" --headless a.wav b.wav c.wav >"$work/three" 2>&1
[ $? -eq 2 ] && grep -q "at most two" "$work/three" || fail "a third track is not refused with a message"

[ -d "$XDG_RUNTIME_DIR/groovemangler" ] || fail "runtime directory not created"
[ "$(stat -c %a "$XDG_RUNTIME_DIR/groovemangler")" = 700 ] || fail "runtime directory is not private"

if [ "$failures" -eq 0 ]; then echo "all headless lifecycle checks passed"; fi
exit "$failures"
