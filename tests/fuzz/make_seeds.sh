#!/usr/bin/env bash
# Makes the starting inputs of the fuzz targets: tiny clips of the kinds users bring, made by
# the ffmpeg command line, each behind the control bytes its target reads first (the first
# control byte names the clip's own extension), and the shipped profile files.
# Usage: make_seeds.sh OUTDIR   (does nothing when OUTDIR is up to date with this script)
set -euo pipefail
OUT="$1"
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
STAMP="$OUT/.stamp"
SUM="$(sha1sum "$0" | cut -d' ' -f1)"
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
rm -rf "$OUT"
mkdir -p "$OUT/clips" "$OUT/profile_reader" "$OUT/media_open" "$OUT/convert" "$OUT/join" "$OUT/index"
FF=(ffmpeg -hide_banner -loglevel error -y -nostdin)
V="testsrc2=size=64x48:rate=10:duration=0.6"
A="sine=frequency=440:sample_rate=22050:duration=0.6"
C="$OUT/clips"

# Index of each extension in kInputExtensions (FuzzSupport.h) and the clip made for it.
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset ultrafast -g 3 -pix_fmt yuv420p \
  -c:a aac -b:a 32k -shortest "$C/0.mp4"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset ultrafast -bf 2 -g 4 -c:a libopus \
  -b:a 16k -ar 48000 -shortest "$C/1.mkv"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -c:v mjpeg -q:v 10 -c:a pcm_s16le -shortest "$C/2.avi"
"${FF[@]}" -display_rotation 90 -i "$C/0.mp4" -c copy "$C/3.mov" 2>/dev/null \
  || "${FF[@]}" -i "$C/0.mp4" -c copy "$C/3.mov"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -r 25 -c:v mpeg2video -g 4 -c:a mp2 -b:a 64k -shortest "$C/4.ts"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -r 25 -c:v mpeg1video -c:a mp2 -b:a 64k -shortest "$C/5.mpg"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -c:v libvpx -deadline realtime -b:v 50k -c:a libvorbis \
  -shortest "$C/6.webm"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -c:v flv -c:a libmp3lame -ar 22050 -shortest "$C/7.flv"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -c:v wmv2 -c:a wmav2 -shortest "$C/8.wmv"
"${FF[@]}" -f lavfi -i "testsrc2=size=128x96:rate=10:duration=0.6" -f lavfi -i "$A" -c:v h263 \
  -c:a aac -ar 8000 -ac 1 -b:a 12k -shortest "$C/9.3gp"
"${FF[@]}" -f lavfi -i "$A" -c:a libmp3lame -b:a 32k "$C/10.mp3"
"${FF[@]}" -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.3" -ac 6 -c:a pcm_s16le "$C/11.wav"
"${FF[@]}" -f lavfi -i "$A" -c:a aac -b:a 32k "$C/12.m4a"
"${FF[@]}" -f lavfi -i "$V" -frames:v 1 "$C/13.jpg"
"${FF[@]}" -f lavfi -i "$V" -frames:v 1 "$C/14.png"

# seed TARGET NAME CONTROL-BYTES-IN-OCTAL CLIP
seed() { { printf "$3"; cat "$4"; } > "$OUT/$1/$2"; }
i=0
for clip in "$C"/*; do
  n="$(basename "$clip")"; e="${n%%.*}"
  o="$(printf '\\%03o' "$e")"
  k="$(printf '\\%03o' "$i")"
  seed media_open "$n" "$o\\040\\030\\200" "$clip"
  # Keep the format; then re-encode to a container and codecs that vary with the clip.
  seed convert "keep-$n" "$o$k\\000\\000\\000\\000\\000\\000" "$clip"
  seed convert "code-$n" "$o$k$k$k\\003\\040\\020\\050" "$clip"
  seed join "$n" "$o$o$k\\000\\000\\000\\000\\000\\000\\000" "$clip"
  i=$((i + 1))
done
# The index's: MPEG streams of each picture codec it reads the headers of, in each framing
# (control bytes: 0 transport, 1 program stream, 2 probed; then the time sought).
I="$OUT/index"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset ultrafast -bf 2 -g 4 -x264-params threads=1 \
  -c:a mp2 -shortest "$I/h264.ts"
"${FF[@]}" -i "$I/h264.ts" -c copy -mpegts_m2ts_mode 1 -f mpegts "$I/h264.m2ts"
"${FF[@]}" -i "$I/h264.ts" -c copy -f vob "$I/h264.vob"
"${FF[@]}" -f lavfi -i "$V" -c:v libx265 -x265-params bframes=2:keyint=4:pools=1:frame-threads=1:log-level=error \
  "$I/hevc.ts"
"${FF[@]}" -f lavfi -i "$V" -f lavfi -i "$A" -c:v mpeg2video -bf 2 -g 4 -threads 1 -c:a mp2 -shortest -f vob "$I/mpeg2.vob"
"${FF[@]}" -i "$I/mpeg2.vob" -c copy "$I/mpeg2.ts"
"${FF[@]}" -f lavfi -i "$V" -r 25 -c:v mpeg1video -bf 1 -threads 1 -f mpeg "$I/mpeg1.vob"
for f in "$I"/*; do
  case "$f" in *.vob) c='\001' ;; *.m2ts) c='\002' ;; *) c='\000' ;; esac
  { printf "$c\\100"; cat "$f"; } > "$f.seed" && mv "$f.seed" "$f"
done

for pf in "$SRC"/resources/Settings.bundle/*/pf.dat "$SRC"/resources/Settings.bundle/*/*/*.pf; do
  [ -f "$pf" ] || continue
  cp "$pf" "$OUT/profile_reader/$(echo "${pf#"$SRC"/}" | tr '/ ' '__')"
done
printf 'vcodec\n ab \nType1\x00[Parameter]\r\nvcodec=h264, {h264,mpeg4}\r\n ab = 128\n' > "$OUT/profile_reader/keys"
echo "$SUM" > "$STAMP"
