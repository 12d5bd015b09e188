#!/usr/bin/env bash
# Makes clips like the ones users bring from phones, browsers, camcorders and broadcast or DVD
# streams, with the ffmpeg command line. Usage: make_field_clips.sh OUTDIR [FROM]   (does nothing
# when OUTDIR is up to date with this script; copies FROM, another build's folder, when that one is)
set -euo pipefail
OUT="$1"
HERE="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$OUT"
STAMP="$OUT/.stamp"
SUM="$(cat "$0" "$HERE/group_amr_frames.pl" "$HERE/make_pgs.pl" | sha1sum | cut -d' ' -f1)"
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
if [ -n "${2:-}" ] && [ -f "$2/.stamp" ] && [ "$(cat "$2/.stamp")" = "$SUM" ]; then
  rm -f "$STAMP"
  tar -C "$2" --exclude=./.stamp -cf - . | tar -C "$OUT" -xf -
  echo "$SUM" > "$STAMP"
  exit 0
fi
rm -f "$STAMP"
cd "$OUT"
# Every encoder codes on one thread: the clips are then the same bytes on every machine, whatever
# its CPU count (x264's and the MPEG encoders' output depends on their thread count). libvpx codes
# VP8 with its good deadline: in real time it picks its speed by how long frames take to code.
# libx265 ignores -threads and sizes its thread pool by the machine's CPUs, which changes its
# output: it is given one pool thread and one frame thread. Matroska would give each file new
# random ids: bitexact writes fixed ones.
ff() { ffmpeg -hide_banner -loglevel error -y -nostdin "${@:1:$#-1}" -threads 1 -fflags +bitexact "${@: -1}"; }
V="testsrc2=size=320x240:rate=25:duration=12"
A="sine=frequency=440:sample_rate=48000:duration=12"

# A WebM written to a pipe, as browsers and live recorders write it: no duration in its header.
ff -f lavfi -i "testsrc2=size=320x240:rate=30:duration=4" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=4" -c:v libvpx -deadline good -cpu-used 5 \
  -b:v 400k -g 30 -c:a libopus -b:a 64k -shortest -f webm - > no_duration.webm
# MPEG-TS with an 8 s group of pictures and a start time that is not 0.
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset veryfast -g 200 -keyint_min 200 \
  -sc_threshold 0 -pix_fmt yuv420p -c:a aac -b:a 96k -shortest long_gop.ts
# DVD-style MPEG-PS (MPEG-2 with B-frames, MP2 sound) and an MPEG-1 system stream.
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v mpeg2video -q:v 4 -g 12 -bf 2 -c:a mp2 -b:a 128k \
  -shortest -f vob program.mpg
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v mpeg1video -q:v 4 -g 12 -bf 2 -c:a mp2 -b:a 128k \
  -shortest -f mpeg mpeg1.mpg
# AVCHD-style M2TS: H.264 with B-frames and AC-3 sound.
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset veryfast -bf 3 -g 25 -pix_fmt yuv420p \
  -c:a ac3 -b:a 192k -shortest -f mpegts -mpegts_m2ts_mode 1 avchd.m2ts
# An MP4 whose container says 16:9 while its H.264 stream says square pixels (4:3).
ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=4" -f lavfi -i "$A" -c:v libx264 \
  -preset veryfast -g 50 -pix_fmt yuv420p -c:a aac -ac 2 -shortest square.mp4
ff -i square.mp4 -c copy -aspect 16:9 container_aspect.mp4
rm -f square.mp4
# 3GP with AMR-NB sound. The ffmpeg build has no AMR encoder, so the sound is written as AMR
# frames by hand: 12.2 kbit/s frames (header byte 0x3c and 31 bytes) of noise, which decode. The
# noise comes from a seeded generator, the same on every run.
amr_noise() { perl -e 'srand(7); print "#!AMR\n"; print "\x3c", map { chr(int(rand(256))) } 1 .. 31 for 1 .. $ARGV[0]' "$1"; }
amr_noise 200 > noise.amr
ff -f lavfi -i "testsrc2=size=176x144:rate=15:duration=4" -i noise.amr -c:v h263 -b:v 200k \
  -c:a copy -shortest amr.3gp
rm -f noise.amr
# MP4 without sound whose picture runs 0.5 s past nothing; and one whose sound runs 0.4 s past
# its last picture.
ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=6" -f lavfi \
  -i "sine=frequency=440:sample_rate=44100:duration=6.4" -c:v libx264 -preset veryfast -g 50 \
  -pix_fmt yuv420p -c:a aac -ac 2 sound_past_picture.mp4
# H.264 in AVI, as some cameras write it, and a WMV.
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset veryfast -bf 0 -g 50 -pix_fmt yuv420p \
  -c:a libmp3lame -b:a 128k -shortest h264_mp3.avi
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v wmv2 -b:v 800k -g 50 -c:a wmav2 -b:a 128k -shortest windows.wmv

# A phone clip with a variable frame rate (runs of 30 and 15 pictures a second) and AAC sound.
ff -f lavfi -i "testsrc2=size=320x240:rate=30:duration=8" -f lavfi -i "$A" \
  -vf "select='lt(mod(t\,2)\,1)+not(mod(n\,2))'" -fps_mode vfr -c:v libx264 -preset veryfast -g 30 \
  -pix_fmt yuv420p -c:a aac -b:a 96k -shortest -video_track_timescale 90000 phone_vfr.mp4
# A camera AVI: Motion JPEG with PCM sound; and H.264 with B-frames in AVI, also with PCM.
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v mjpeg -q:v 5 -c:a pcm_s16le -shortest camera_pcm.avi
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx264 -preset veryfast -bf 2 -g 50 -pix_fmt yuv420p \
  -c:a pcm_s16le -shortest h264_pcm.avi
# A browser recording: VP8 with one keyframe at its start, Opus, written to a pipe (no duration).
ff -f lavfi -i "testsrc2=size=320x240:rate=30:duration=7.6" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=7.6" -c:v libvpx -deadline good -cpu-used 5 \
  -b:v 600k -g 9999 -c:a libopus -b:a 64k -shortest -f webm - > browser.webm
# Matroska with AC-3 sound and ASS subtitles.
printf '1\n00:00:00,500 --> 00:00:11,000\nA line of text\n' > line.srt
ff -f lavfi -i "testsrc2=size=640x360:rate=25:duration=12" -f lavfi -i "$A" -i line.srt -map 0 -map 1 \
  -map 2 -c:v libx264 -preset veryfast -crf 20 -g 50 -pix_fmt yuv420p -c:a ac3 -b:a 192k -c:s ass ac3_ass.mkv
rm -f line.srt
# HEVC in MP4.
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v libx265 -preset ultrafast -x265-params log-level=none:pools=1:frame-threads=1 \
  -g 25 -pix_fmt yuv420p -c:a aac -b:a 96k -shortest hevc.mp4
# A broadcast recording: MPEG-2 in a transport stream that begins inside a group of pictures,
# before any sequence header (the recording began mid-stream).
ff -f lavfi -i "$V" -f lavfi -i "$A" -c:v mpeg2video -q:v 4 -g 15 -bf 2 -c:a mp2 -b:a 128k \
  -shortest -f mpegts whole.ts
tail -c +$((188 * 400 + 1)) whole.ts > broadcast.ts
rm -f whole.ts
# A broadcast recording whose picture size changes (a 4:3 programme, then a 16:9 advert): two
# H.264 transport streams one after the other, byte for byte.
ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=4" -f lavfi -i "$A" -c:v libx264 \
  -preset veryfast -bf 2 -g 25 -pix_fmt yuv420p -c:a aac -shortest -f mpegts sd.ts
ff -f lavfi -i "testsrc2=size=480x270:rate=25:duration=4" -f lavfi -i "$A" -c:v libx264 \
  -preset veryfast -bf 2 -g 25 -pix_fmt yuv420p -c:a aac -shortest -output_ts_offset 4.5 -f mpegts hd.ts
cat sd.ts hd.ts > size_change.ts
rm -f sd.ts hd.ts
# A 3G2 with MPEG-4 pictures and AMR-NB sound (frames written by hand, as above) stored as some
# phones store it: up to five frames in one sample.
amr_noise 500 > noise.amr
ff -f lavfi -i "testsrc2=size=176x144:rate=15:duration=10" -i noise.amr -c:v mpeg4 -b:v 300k \
  -c:a copy -shortest -f 3g2 single.3g2
perl "$HERE/group_amr_frames.pl" single.3g2 amr.3g2 5
rm -f noise.amr single.3g2
# A 576i broadcast recording: interlaced MPEG-2 with MP2 sound in a transport stream whose clock
# starts at 600 s and whose sound starts 0.13 s before its first picture, as a recorder's do.
ff -itsoffset 0.13 -f lavfi -i "testsrc2=size=720x576:rate=25:duration=6" -f lavfi -i "$A" -vf setfield=tff \
  -c:v mpeg2video -flags +ilme+ildct -top 1 -q:v 8 -g 12 -bf 2 -c:a mp2 -b:a 128k -shortest -f mpegts \
  -output_ts_offset 600 dvb_576i.ts
# AVCHD: 1080i H.264 (interlaced, B-frames), AC-3 and a PGS subtitle stream in an .mts.
perl "$HERE/make_pgs.pl" boxes.sup
ff -f lavfi -i "testsrc2=size=1920x1080:rate=25:duration=4" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=4" -i boxes.sup \
  -map 0 -map 1 -map 2 -vf setfield=tff -c:v libx264 -preset ultrafast -x264-params interlaced=1:tff=1 \
  -flags +ildct+ilme -bf 2 -g 12 -b:v 2M -pix_fmt yuv420p -c:a ac3 -b:a 192k -c:s copy \
  -f mpegts -mpegts_m2ts_mode 1 avchd_1080i.mts
rm -f boxes.sup
# A camera's transport stream whose H.264 pictures carry no time now and then (as the second
# field of an interlaced picture does): written small into an MPEG program stream, whose packs
# give a time only to the first picture that starts in them, then copied into an .mts.
ff -f lavfi -i "testsrc2=size=320x240:rate=30000/1001:duration=6" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=6" -c:v libx264 -preset veryfast -bf 3 -g 15 \
  -b:v 300k -pix_fmt yuv420p -c:a ac3 -b:a 192k -f mpeg sparse_times.mpg
ff -i sparse_times.mpg -c copy -f mpegts -mpegts_m2ts_mode 1 sparse_times.mts
rm -f sparse_times.mpg
# H.264 with B-frames and AAC sound in AVI: the container stores no presentation times (nor an
# edit list, so the encoder's priming and last frames play: 5.94 s of tone end with the picture).
ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=6" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=5.94" -c:v libx264 -preset veryfast -bf 2 -g 50 \
  -pix_fmt yuv420p -c:a aac -b:a 96k h264_aac.avi
# MPEG-4 with B-frames in AVI, as older cameras and players wrote it.
ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=4" -c:v mpeg4 -bf 2 -g 50 -q:v 4 \
  mpeg4_bframes.avi
# An HEVC MOV as a phone writes it: hvc1, a display rotation, AAC.
ff -f lavfi -i "testsrc2=size=640x360:rate=30:duration=6" -f lavfi -i "$A" -c:v libx265 \
  -preset ultrafast -x265-params log-level=none:pools=1:frame-threads=1:keyint=30 -tag:v hvc1 -pix_fmt yuv420p -c:a aac -b:a 96k \
  -shortest -metadata:s:v rotate=90 -movflags +faststart phone_hevc.mov
echo "$SUM" > "$STAMP"
