#!/usr/bin/env bash
# Makes the demo catalogue's media: original tunes synthesized with sox and
# encoded with lame, plus a JPEG cover per song. Idempotent.
set -euo pipefail
OUT="${1:?usage: make-media.sh <folder>}"
mkdir -p "$OUT/media" "$OUT/cover"
STAMP="$OUT/.v2"
[ -f "$STAMP" ] && exit 0
# Each tune: a short melody of pluck notes over a soft pad, 12..24 s.
notes=(C4 D4 E4 G4 A4 C5 D5 E5 G5 A5)
for i in $(seq 0 11); do
  wav="$OUT/tune$i.wav"
  parts=()
  len=$((12 + (i * 7) % 13))
  for k in $(seq 0 $((len * 2 - 1))); do
    n=${notes[$(( (k * (i + 3) + i * 5 + (k / 3) * 2) % ${#notes[@]} ))]}
    parts+=("$OUT/n$k.wav")
    sox -q -n -r 44100 -c 2 "$OUT/n$k.wav" synth 0.5 pluck "$n" fade 0 0.5 0.3 vol 0.5
  done
  sox -q "${parts[@]}" "$OUT/mel.wav"
  sox -q -n -r 44100 -c 2 "$OUT/pad.wav" synth "$len" sine "${notes[$((i % 5))]}" sine "${notes[$((i % 5 + 2))]}" vol 0.08
  sox -q -m "$OUT/mel.wav" "$OUT/pad.wav" "$wav" trim 0 "$len"
  lame --quiet -b 128 --tt "Demo tune $i" --ta "SongBox" "$wav" "$OUT/media/tune$i.mp3"
  rm -f "${parts[@]}" "$OUT/mel.wav" "$OUT/pad.wav" "$wav"
  hue=$(( (i * 30) % 360 ))
  convert -size 217x137 "gradient:hsl($hue,70%,70%)-hsl($(( (hue + 120) % 360 )),60%,35%)" \
    -fill white -draw "circle 108,68 108,20" -fill "hsl($hue,80%,40%)" -draw "circle 108,68 108,58" \
    "$OUT/cover/cover$i.jpg"
done
# A 1 kHz test tone for the player's tests (exactly 3 s, mono 44.1 kHz).
sox -q -n -r 44100 -c 1 "$OUT/tone1k.wav" synth 3 sine 1000 vol 0.5
lame --quiet -b 128 "$OUT/tone1k.wav" "$OUT/media/tone1k.mp3"
# A 20 MB file for the download benchmark (not music; only its size matters).
head -c 20971520 /dev/urandom > "$OUT/media/bench20m.mp3"
touch "$STAMP"
