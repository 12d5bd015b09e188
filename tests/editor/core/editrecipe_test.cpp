// The preview player and a convert pass are given the same settings for every aspect of an
// edit: both are fed from the edit state (the preview directly, the export through the record
// the state is committed into) and from the same contributions of the tools.
#include "editor/core/EditAspect.h"
#include "editor/core/EditRecipe.h"
#include "editor/core/EditState.h"
#include "editor/core/EditorConvertJob.h"
#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/MusicInfo.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"

#include <QByteArray>
#include <QString>
#include <cstring>
#include <gtest/gtest.h>
#include <map>

namespace {

template <class T> std::string bytes(const T& v) {
    return QByteArray(reinterpret_cast<const char*>(&v), sizeof v).toHex().toStdString();
}

// Writes down what each call was given.
struct Recorder : EditReceiver {
    std::map<std::string, std::string> got;
    void sound(int stream, double volume, double level, bool remove) override {
        got["sound"] = QString("%1 %2 %3 %4").arg(stream).arg(volume).arg(level).arg(remove).toStdString();
    }
    int subtitle(const SUBTITLE_PARAM* p) override {
        got["subtitle"] = p ? bytes(*p) : "none";
        return 1;
    }
    int effects(const std::vector<int>& ids) override {
        for (int id : ids)
            got["effects"] += std::to_string(id) + " ";
        return 1;
    }
    void adjust(int b, int c, int s) override {
        got["adjust"] = QString("%1 %2 %3").arg(b).arg(c).arg(s).toStdString();
    }
    int range(int64_t start, int64_t stop) override {
        got["range"] = std::to_string(start) + " " + std::to_string(stop);
        return 1;
    }
    void crop(const RECT& m) override { got["crop"] = bytes(m); }
    void turn(int a, int h, int v) override {
        got["turn"] = QString("%1 %2 %3").arg(a).arg(h).arg(v).toStdString();
    }
    int marks(const overlays::MarkRecords& r) override {
        for (const auto& p : r.images)
            got["marks"] += bytes(p);
        return 1;
    }
    int music(const std::vector<MusicTrack>& tracks) override {
        for (const auto& t : tracks) {
            const MusicPlacement& p = t.placement;
            got["music"] += t.path.toStdString() + QString(" %1 %2 %3 %4 %5 %6 %7;")
                                                       .arg(p.musicStart)
                                                       .arg(p.musicEnd)
                                                       .arg(p.slotStart)
                                                       .arg(p.slotEnd)
                                                       .arg(p.fadeIn)
                                                       .arg(p.fadeOut)
                                                       .arg(p.volume)
                                                       .toStdString();
        }
        return 1;
    }
};

class EditRecipeTest : public ::testing::Test {
protected:
    EditRecipeTest() {
        for (int index : {1, 3}) {
            auto stream = std::make_shared<AudioStreamInfo>();
            stream->index = index;
            record_->audioStreamInfos.push_back(stream);
        }
    }

    // What the player is given for `aspect` after the window's preview applier ran.
    std::string preview(unsigned aspect, const char* call) {
        EditRecipe r = EditRecipe::fromState(state_, *record_, EditRecipe::Purpose::Preview);
        r.marks = marks_;
        r.music = music_;
        r.originalSoundLevel = level_;
        r.removeOriginalSound = remove_;
        Recorder to;
        editapply::applyToPreview(r, aspect, to);
        EXPECT_TRUE(to.got.count(call)) << call;
        return to.got[call];
    }
    // What a convert pass is given once the state is committed as the export does.
    std::string exported(const char* call) {
        state_.writeInto(*record_);
        EditorConvertJob::Settings s;
        s.record = record_;
        s.audioStreamPosition = state_.audioStreamPosition();
        s.watermarks = marks_;
        s.music = music_;
        s.originalSoundLevel = level_;
        s.removeOriginalSound = remove_;
        const EditRecipe r = EditorConvertJob::recipe(s);
        Recorder to;
        int result = 0;
        EXPECT_EQ(editapply::applyToConvert(r, r.startUs, r.stopUs, to, &result), editapply::Refused::None);
        return to.got[call];
    }
    void expectSame(unsigned aspect, const char* call) {
        const std::string p = preview(aspect, call);
        EXPECT_FALSE(p.empty()) << call;
        EXPECT_EQ(p, exported(call)) << call;
    }

    EditState state_;
    std::shared_ptr<SimpleData> record_ = std::make_shared<SimpleData>();
    overlays::MarkRecords marks_;
    std::vector<MusicTrack> music_;
    double level_ = 1.0;
    bool remove_ = false;
};

TEST_F(EditRecipeTest, Crop) {
    state_.setCrop(NSRect{11, 21, 101, 51}, QSizeF(320, 240));
    expectSame(edit::Crop, "crop");
}

TEST_F(EditRecipeTest, TurnAndMirror) {
    state_.turn(picture::Turn::Right, QSizeF(320, 240));
    state_.turn(picture::Turn::MirrorHorizontal, QSizeF(240, 320));
    expectSame(edit::Turn, "turn");
}

TEST_F(EditRecipeTest, Adjustments) {
    state_.setAdjustment(-40, 25, 300); // saturation held to its bounds on both sides
    state_.setVolume(1.5);
    expectSame(edit::Adjust, "adjust");
    expectSame(edit::Adjust, "sound");
}

TEST_F(EditRecipeTest, EffectsInAscendingOrder) {
    for (int id : {7, 2, 5, 2})
        state_.setEffect(id, true);
    EXPECT_EQ(preview(edit::Effects, "effects"), "2 5 7 ");
    expectSame(edit::Effects, "effects");
}

TEST_F(EditRecipeTest, Marks) {
    IMAGE_WATERMARK_PARAM p;
    std::memset(&p, 0, sizeof p);
    std::strcpy(p.path, "/tmp/logo.png");
    p.rect = RECT{10, 20, 74, 52};
    p.end_time = 2000000;
    marks_.images.push_back(p);
    expectSame(edit::Marks, "marks");
}

// An unreadable colour is the same white on both sides.
TEST_F(EditRecipeTest, Subtitle) {
    state_.editSubtitle([](SubtitleParam& s) {
        s.subtitlePath = "/tmp/lines.srt";
        s.fontColor = QColor();
        s.positon = 40;
    });
    expectSame(edit::Subtitle, "subtitle");
    EXPECT_EQ(EditRecipe::fromState(state_, *record_, EditRecipe::Purpose::Preview).subtitle.fontColor,
              overlays::subtitleColourWord(QColor(Qt::white)));
}

// The track's end in the music file comes from one placement on both sides.
TEST_F(EditRecipeTest, MusicAndSound) {
    auto track = std::make_shared<MusicInfo>();
    track->path = "/tmp/tone.wav";
    track->duration = 30;
    track->positionStart = 2;
    track->positionEnd = 9;
    track->pruneDiration = 30;
    track->fadeIn = true;
    music_.push_back({track->path, musicPlacement(*track)});
    level_ = 0.4;
    remove_ = true;
    state_.setAudioStreamPosition(1);
    expectSame(edit::Music, "music");
    expectSame(edit::Sound, "sound");
    EXPECT_EQ(music_.front().placement.musicEnd, 7);
}

TEST_F(EditRecipeTest, Trim) {
    state_.setTrimRange(1500000, 3250000);
    expectSame(edit::Trim, "range");
}

} // namespace
