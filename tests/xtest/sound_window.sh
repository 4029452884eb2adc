#!/usr/bin/env bash
# Sound in the SDL build's real window on a virtual X server, heard through
# SDL's disk driver, which writes what the device plays to a file (mono,
# signed 16-bit, 22050 samples a second). One scripted game (seed 11):
#   frame 45 Tab opens the console          the console's tick and blip
#   frame 60 Tab closes it (400 ms pauses)  nothing
#   frame 75 Page Up: no opening above      two low buzzes
#   frame 90 Page Down to layer 40          the rising whoosh
# The sounds must come in that order, each told by its length and pitch
# (zero crossings a second), spaced as the frames and the key pauses between
# them are, and never clipped. The same script without `setting sound = on`
# must open no sound device at all (no file, nothing on stderr) and play
# the same game.
#
# usage: sound_window.sh DELVER GAME_DIR
# Exits 77 (reported as skipped) where Xvfb or xdotool is missing.
set -uo pipefail

. "$(dirname "$0")/../support/say.sh" sound_window
. "$(dirname "$0")/../support/xdisplay.sh"
begin_window_test "$@"
cp -r "$game" "$work/game"

events='0 mouse 160 120
45 tap TAB
60 tap TAB
75 tap PAGEUP
90 tap PAGEDOWN'
printf 'setting sound = on\n%s\n' "$events" >"$work/sound.txt"
printf '%s\n' "$events" >"$work/silent.txt"

# Plays script $1 in the window, the device writing to $work/$1.raw.
play() {
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/$1.raw" \
        "$delver" -C "$work/game" --seed 11 --input "$work/$1.txt" --frames 115 --report \
        >"$work/$1.json" 2>"$work/$1.err" || fail "the $1 game failed: $(cat "$work/$1.err")"
}
play sound
play silent

[ "$(cat "$work/sound.json")" = "$(cat "$work/silent.json")" ] ||
    fail "sound changed the game: $(cat "$work/sound.json") against $(cat "$work/silent.json")"
grep -q '"player":\[8,8,40\]' "$work/sound.json" || fail "Page Down did not reach layer 40: $(cat "$work/sound.json")"
[ -e "$work/silent.raw" ] && fail "without the sound setting a sound device was opened"
[ -s "$work/silent.err" ] && fail "without the sound setting the game printed: $(cat "$work/silent.err")"
# SDL's disk driver announces itself on stderr; the game must add nothing.
grep -v '^CRITICAL: ' "$work/sound.err" && fail "the game with sound printed the lines above"

/usr/bin/python3 - "$work/sound.raw" <<'PY' || fail "the sounds heard are not the ones played (above)"
import struct, sys
raw = open(sys.argv[1], "rb").read()
rate = 22050
s = struct.unpack("<%dh" % (len(raw) // 2), raw[: len(raw) // 2 * 2])
assert s and max(abs(v) for v in s) < 32767, "clipped or empty"
# A sound: sound with no silence of 100 ms or more inside it.
sounds, start, last = [], None, None
for i, v in enumerate(s):
    if v == 0:
        continue
    if start is not None and i - last >= rate // 10:
        sounds.append((start, last))
        start = None
    if start is None:
        start = i
    last = i
if start is not None:
    sounds.append((start, last))

def kind(a, b):
    seconds = (b - a + 1) / rate
    crossings = sum((s[i - 1] < 0) != (s[i] < 0) for i in range(a + 1, b + 1)) / seconds
    if seconds < 0.1 and crossings > 2500:
        return "console"
    if 0.22 < seconds < 0.35 and crossings < 400:
        return "refused"
    if 0.22 < seconds < 0.35 and 500 < crossings < 1500:
        return "layer"
    return "unknown (%.3f s, %.0f crossings/s)" % (seconds, crossings)

heard = [(a / rate, kind(a, b)) for a, b in sounds]
print("heard:", ", ".join("%s at %.2f s" % (k, t) for t, k in heard))
assert [k for _, k in heard] == ["console", "refused", "layer"], "not the console, the refusal, the layer"
# The device opens with the first frame. Between the sounds: the frames at
# 60 a second and the pauses (the console's two 400 ms, Page Up's 800 ms).
t = [t for t, _ in heard]
assert 0.5 < t[0] < 2.0, "the console's sound at %.2f s, not near frame 45" % t[0]
for got, want, what in ((t[1] - t[0], 30 / 60 + 0.8, "console to refusal"),
                        (t[2] - t[1], 15 / 60 + 0.8, "refusal to layer")):
    assert abs(got - want) < 0.25, "%s: %.2f s apart, not %.2f" % (what, got, want)
PY
say "passed"
