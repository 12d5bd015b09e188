// What the player plays of a clip with two sound streams, heard through a private sound
// server: the sink's monitor is recorded and the streams told apart by their tones. The
// chosen stream (SetAudioIndex) is the one heard, at the file's own sound level
// (SetMainAudioVolume).
#include "PlayerTestUtil.h"
#include "PrivateSoundServer.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace playertest;

namespace {

constexpr int kRate = 8000;

// `ms` of what the default sink plays, mono at kRate.
std::vector<float> record(int ms) {
    QProcess rec;
    rec.start("pacat",
              {"--record", "--raw", "--format=float32le", "--rate=" + QString::number(kRate), "--channels=1",
               "--latency-msec=50", "-d", QString(PrivateSoundServer::kSink) + ".monitor"});
    if (!rec.waitForStarted(60000))
        return {};
    // Until that much has been recorded: a loaded machine starts the recorder late.
    const qint64 wanted = qint64(kRate) * ms / 1000 * 4;
    waitFor([&] { return rec.bytesAvailable() >= wanted; }, 60000);
    rec.terminate();
    rec.waitForFinished(5000);
    const QByteArray bytes = rec.readAllStandardOutput();
    const auto* s = reinterpret_cast<const float*>(bytes.constData());
    return std::vector<float>(s, s + bytes.size() / 4);
}

// The tone's level in the loudest tenth of a second: a moment the device ran dry under load
// lowers some tenths, never this one.
double strongest(const std::vector<float>& pcm, double hz) {
    const qsizetype tenth = kRate / 10;
    double best = 0;
    for (qsizetype i = 0; i + tenth <= qsizetype(pcm.size()); i += tenth)
        best = std::max(best, testsupport::toneLevel(pcm.data() + i, tenth, kRate, hz));
    return best;
}

struct Heard {
    double low = 0, high = 0; // the 440 Hz and the 1000 Hz tone
};

Heard play(const QString& clip, int stream, double mainVolume) {
    LxMoviePlayer p(clip, QRect(0, 0, 160, 120));
    EXPECT_TRUE(p.isOpen()) << p.errorString().toStdString();
    p.SetAudioIndex(stream);
    p.SetMainAudioVolume(mainVolume);
    p.play();
    // What was queued before the settings took hold has played by then (a loaded machine may
    // start the sound late).
    EXPECT_TRUE(waitFor([&] { return seconds(p.currentTime()) > 0.7; }, 60000));
    const std::vector<float> pcm = record(1500);
    p.closePlayer();
    EXPECT_GT(pcm.size(), size_t(kRate)) << "nothing recorded";
    return {strongest(pcm, 440), strongest(pcm, 1000)};
}

class SoundStream : public SoundServerSuite {};

} // namespace

TEST_F(SoundStream, TheChosenStreamIsHeardAtTheOriginalSoundLevel) {
    QTemporaryDir dir;
    const QString clip = testsupport::twoToneClip(dir.path());
    ASSERT_FALSE(clip.isEmpty());
    const Heard first = play(clip, 1, 1.0), second = play(clip, 2, 1.0), quiet = play(clip, 2, 0.25);
    EXPECT_GT(first.low, 0.05);
    EXPECT_LT(first.high, first.low / 10);
    EXPECT_GT(second.high, 0.05);
    EXPECT_LT(second.low, second.high / 10);
    EXPECT_NEAR(quiet.high / second.high, 0.25, 0.06);
    EXPECT_LT(quiet.low, second.high / 10);
}
