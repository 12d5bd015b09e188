#!/usr/bin/env bash
# Makes the small media files that the tests run on, with the ffmpeg command line.
# Usage: make_fixtures.sh OUTDIR [FROM]   (does nothing when OUTDIR is up to date with this
# script; copies FROM, another build's folder, when that one is)
set -euo pipefail
OUT="$1"
mkdir -p "$OUT"
STAMP="$OUT/.stamp"
SUM="$(sha1sum "$0" | cut -d' ' -f1)"
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
if [ -n "${2:-}" ] && [ -f "$2/.stamp" ] && [ "$(cat "$2/.stamp")" = "$SUM" ]; then
  rm -f "$STAMP"
  tar -C "$2" --exclude=./.stamp -cf - . | tar -C "$OUT" -xf -
  echo "$SUM" > "$STAMP"
  exit 0
fi
cd "$OUT"
# Every encoder codes on one thread: the clips are then the same bytes on every machine, whatever
# its CPU count (x264's and the MPEG encoders' output depends on their thread count). Matroska
# would give each file new random ids: bitexact writes fixed ones.
ff() { ffmpeg -hide_banner -loglevel error -y -nostdin "${@:1:$#-1}" -threads 1 -fflags +bitexact "${@: -1}"; }
V="testsrc2=size=320x240:rate=25:duration=4"
A="sine=frequency=440:sample_rate=44100:duration=4"

# H.264/AAC in the common containers; a keyframe every 2 s so that cuts fall between them.
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset veryfast -g 50 -pix_fmt yuv420p \
  -c:a aac -b:a 96k -ac 2 -shortest h264_aac.mp4
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset veryfast -g 50 -pix_fmt yuv420p \
  -c:a aac -b:a 96k -ac 2 -shortest h264_aac.mov
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset veryfast -g 50 -pix_fmt yuv420p \
  -c:a aac -b:a 96k -ac 2 -shortest h264_aac.mkv
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v mpeg4 -q:v 4 -g 50 -c:a libmp3lame -b:a 128k -ac 2 \
  -shortest mpeg4_mp3.avi
ff -f lavfi -i "$V" -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=4" \
  -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 300k -g 50 -c:a libopus -b:a 64k -shortest vp9_opus.webm
# A longer clip (10 s) for cuts, splits and progress.
ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=10" \
  -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=10" -c:v libx264 -preset veryfast -g 50 \
  -pix_fmt yuv420p -c:a aac -b:a 96k -ac 2 -shortest long_10s.mp4
# Sound only.
ff -f lavfi -i "$A" -c:a libmp3lame -b:a 128k audio_only.mp3
ff -f lavfi -i "$A" -c:a aac -b:a 128k audio_only.m4a
# AC-3 sound, which the cutters refuse.
ff -f lavfi -i "$V" -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=4" \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a ac3 -b:a 192k -shortest ac3_audio.mkv
# Picture only.
ff -f lavfi -i "$V" -c:v libx264 -preset veryfast -g 50 -pix_fmt yuv420p no_audio.mp4
# NTSC rate 30000/1001.
ff -f lavfi -i "testsrc2=size=320x240:rate=30000/1001:duration=4" -f lavfi -i "$A" \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -ac 2 -shortest ntsc_29_97.mp4
# Odd frame size.
ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=4" -f lavfi -i "$A" -vf scale=321:241 \
  -c:v libx264 -preset veryfast -pix_fmt yuv444p -c:a aac -ac 2 -shortest odd_321x241.mkv
# A 90-degree display rotation on an otherwise normal clip.
ff -display_rotation 90 -i h264_aac.mp4 -c copy rotated_90.mp4 2>/dev/null \
  || ff -i h264_aac.mp4 -c copy -metadata:s:v:0 rotate=90 rotated_90.mp4
# Broken inputs: a truncated file, an empty file and text named like a video.
head -c 20000 h264_aac.mp4 > truncated.mp4
: > zero_bytes.mp4
printf 'This is not a video.\n' > not_media.mp4
echo "$SUM" > "$STAMP"
