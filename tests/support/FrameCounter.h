// Clips whose pictures carry their own frame number, and the reading of that number from a
// picture: which frame a player shows, and which frames a cut kept, judged by the pictures
// themselves rather than by any timestamp.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

class LxMoviePlayer;

namespace testsupport {

// Writes a 64x48 H.264/AAC mp4 of `seconds` at `fps` whose frame n shows n in three grey bands
// (base 8, so up to 511 frames), with a key frame every `keyEvery` frames and up to `bFrames`
// B-frames in a row (`x264` options may fix their pattern). Returns `path`, or an empty string when
// ffmpeg fails. With `zeroAt`, frame n shows n - zeroAt (modulo 512): the numbers of a recording
// that is read from that frame on.
QString makeCounterClip(const QString& path, int fps, double seconds, int keyEvery = 25, int bFrames = 0,
                        const QString& x264 = {}, int zeroAt = 0);

// 192 counter pictures at 24000/1001 in MPEG-2 flagged 3:2 as film discs hold them (a 30000/1001
// sequence, every other picture showing a field again), with MP2 sound, in the transport or
// program stream `path`: picture n starts at field 5 * (n / 2) + 3 * (n % 2), a field being 1001/60000 s.
// `broadcast`: 720x480 over a moving test card, at 800 kbit/s in groups of 15 with MP2 at
// 192 kbit/s, as a broadcast holds it.
QString makeSoftTelecineClip(const QString& path, bool broadcast = false);

// In `folder`: a 6 s 25 fps counter clip with B-frames as count.mp4, and the same pictures copied
// into a transport stream whose times start at 1.46 s, as a recorder's do (count.ts). Empty
// when ffmpeg fails.
std::vector<QString> makeCounterClipsStartingAtZeroAndLate(const QString& folder);

// In `folder`: 30 s of counter pictures padded to 6 Mbit/s (a large transport stream, 22 MiB)
// whose stored times jump 12 s ahead at picture 225 (9 s), where the index's line goes on: stored
// 25 s is picture 325, at 13 s of that line. Empty when ffmpeg fails.
QString largeTsJumpingAhead(const QString& folder);

// Opens `ts` so that its index is read behind it, and waits, without running an event, until
// `player` holds that index: a window showing it has not heard of it yet. False after 120 s.
bool indexHeldUnheard(const QString& ts, const LxMoviePlayer& player);

// The frame number a picture of such a clip shows (at any size), or -1 when it shows none.
int counterOf(const QImage& picture);

// The numbers of every picture of `path` in the order ffmpeg decodes them.
std::vector<int> decodedCounters(const QString& path);

} // namespace testsupport
