#!/bin/sh
# make_sounds.sh <out dir>: makes the game's two cat voices,
#   nya.wav        a hit: a short, bright "にゃ" that rises and falls like a meow
#   damedanya.wav  a miss: "だめだにゃ", lower, slower and sagging at the end
# spoken by espeak-ng's Japanese voice and shaped with sox: pitched up,
# trimmed of silence, 44.1 kHz mono 16-bit.
#
# Level: the game plays a voice on both sides, over the round's music
# (bgm.mid, -22.3 LUFS as the game's synthesiser renders it). Each voice
# is set to about -18 LUFS as heard there, some 4.5 LU above the music:
# clear over it without drowning it. Measured with
#   sox VOICE.wav -c 2 both.wav && ffmpeg -i both.wav -af ebur128 -f null -
# each voice's peak level below gives its loudness.
#
# Needs the Debian packages espeak-ng and sox.
set -eu

out_dir=${1:?usage: make_sounds.sh <out dir>}
mkdir -p "$out_dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# sox's silence effect only trims the front, so trim, turn round, trim again.
trim_silence="silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse"

# Trims the voice, so that the bends count from its first sound, and shapes
# it; trims what the shaping left at the ends; then, once the length is
# known, fades the ends against clicks and sets the peak level (dBFS).
# -R keeps sox's dither noise the same on every run.
finish() {  # finish <in> <out> <peak dB> <sox effects...>
  in=$1 out=$2 peak=$3
  shift 3
  sox -R "$in" "$work/shaped.wav" $trim_silence "$@" rate -v 44100
  sox -R "$work/shaped.wav" "$work/trimmed.wav" $trim_silence
  sox -R "$work/trimmed.wav" -b 16 -c 1 "$out" fade q 0.005 -0 0.03 norm "$peak"
}

# Hit: a light, quick voice pushed up most of an octave; the bend lifts the
# vowel and lets it drop, and the treble shelf gives it a bright edge.
espeak-ng -v ja+f3 -p 85 -s 170 -w "$work/nya.wav" "にゃ"
finish "$work/nya.wav" "$out_dir/nya.wav" -9.6 \
  highpass 180 pitch 800 bend 0.12,250,0.10 0,-450,0.20 treble 5 3000

# Miss: the same voice a little lower and slower; the last syllable sinks.
espeak-ng -v ja+f3 -p 60 -s 150 -w "$work/damedanya.wav" "だめだにゃ"
finish "$work/damedanya.wav" "$out_dir/damedanya.wav" -7.2 \
  highpass 150 pitch 500 bend 0.40,-300,0.28 treble 3 3000
