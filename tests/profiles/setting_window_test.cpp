// The settings window driven through its real pop-ups and fields: which keys it stores for
// which opener, the masks it calls back with, Default, and the hand-over to the name prompt.
#include "foundation/records/FileData.h"
#include "foundation/records/SimpleData.h"
#include "platform/UserDefaults.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileParameters.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"
#include "profiles/SettingWindowController.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace profiles;

namespace {

const QString kKeep = QStringLiteral("Keep Original"); // the English row title of the strings table

QStringList rows(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

// Picks a row as the pop-up's menu does: the row becomes current and the pop-up reports the
// pick, also when it was the row already shown.
void choose(QComboBox* c, int row) {
    ASSERT_LT(row, c->count());
    c->setCurrentIndex(row);
    emit c->activated(row);
}

class SettingWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<QWidget> opener = std::make_unique<QWidget>();
    std::vector<long> masks;
    int resets = 0;

    void SetUp() override {
        UserDefaults::setStorePath(dir.filePath("defaults.ini"));
        ProfileSet::setCustomFolders({dir.filePath("Custom")});
        opener->resize(800, 600);
    }
    void TearDown() override {
        ProfileSet::setCustomFolders({});
        UserDefaults::setStorePath(QString());
    }
    UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }

    QString profile(const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name + ".pf");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }

    // Opens the window the way the editor and the joiner do.
    SettingWindowController* open(bool joinner, const QString& path, long fileType = 1) {
        auto* w = new SettingWindowController(opener.get());
        if (joinner)
            w->setJoinner(true);
        w->setFileType(fileType);
        w->window();
        w->setPfPath(path);
        w->setSelectSettingCallbackBlock([this](long mask) { masks.push_back(mask); });
        w->setSettingCallbackBlock([this] { ++resets; });
        w->displayViewChildes();
        w->open();
        return w;
    }
};

const QString kHevc = ProfileSet::editor().defaultProfilePath();

} // namespace

TEST_F(SettingWindowTest, EditorPopUpsStoreEditorKeysWithMasks) {
    SettingWindowController* w = open(false, kHevc);
    EXPECT_EQ(rows(w->popUp(kVideoBitRate)).last(), "12000 kbps"); // no "Custom" for the editor
    for (std::size_t i = 0; i < kParameters.size(); ++i)
        choose(w->popUp(ParameterIndex(i)), 1);
    EXPECT_EQ(masks, (std::vector<long>{1, 2, 4, 8, 16, 32, 64, 128}));
    const QStringList stored{"h264", "3840x2160", "23.976", "500", "mp3", "1", "22050", "64"};
    for (std::size_t i = 0; i < kParameters.size(); ++i) {
        EXPECT_EQ(defaults().stringForKey(kParameters[i].editorKey), stored[int(i)])
            << kParameters[i].editorKey;
        EXPECT_FALSE(defaults().hasKey(kParameters[i].joinerKey));
    }
    // The Keep-Original row removes its key.
    choose(w->popUp(kFrameRate), 0);
    EXPECT_FALSE(defaults().hasKey("framerate_SelectTitle"));
    EXPECT_EQ(masks.back(), 4);
    EXPECT_EQ(resets, 0);
}

TEST_F(SettingWindowTest, StoredChoicesSelectTheirRows) {
    defaults().setObject("Custom", "resolution_SelectTitle");
    defaults().setInteger(1000, kCustomWidthKey);
    defaults().setInteger(500, kCustomHeightKey);
    defaults().setObject("48000", "asamplerate_SelectTitle");
    defaults().setObject(" aac ", "acodec_SelectTitle");      // audio titles are trimmed
    defaults().setObject("mpeg2video", "vcodec_SelectTitle"); // not an option: row 0, key kept
    SettingWindowController* w = open(false, kHevc);
    // The label column's extra room for long translations, beside the 480 of a custom size.
    const int dx = w->popUp(kVideoCodec)->x() - 112;
    EXPECT_GE(dx, 0);
    EXPECT_EQ(w->width(), 480 + dx);
    QComboBox* size = w->popUp(kFrameSize);
    EXPECT_EQ(size->currentIndex(), size->count() - 1);
    EXPECT_TRUE(w->customWidth()->isVisibleTo(w));
    EXPECT_EQ(w->customWidth()->text(), "1000");
    EXPECT_EQ(w->customHeight()->text(), "500");
    EXPECT_EQ(w->popUp(kSampleRate)->currentText(), "48000 hz");
    EXPECT_EQ(w->popUp(kAudioCodec)->currentText(), "aac");
    EXPECT_EQ(w->popUp(kVideoCodec)->currentIndex(), 0);
    EXPECT_EQ(defaults().stringForKey("vcodec_SelectTitle"), "mpeg2video");
    EXPECT_TRUE(masks.empty()); // filling calls nothing back
}

TEST_F(SettingWindowTest, RatesCompareAsIntegers) {
    const QString p = profile("rates", "[Parameter]\nr=25, {25,29.97,30}\nac=2, {1,2(Stereo)}\n");
    defaults().setObject("29", "framerate_SelectTitle");
    SettingWindowController* w = open(false, p);
    EXPECT_EQ(w->popUp(kFrameRate)->currentText(), "29.97 fps");

    // Joiner: no Keep-Original row, so the second option is the second row.
    defaults().setObject("2(Stereo)", "achannelSelectTitle");
    SettingWindowController* j = open(true, p);
    EXPECT_EQ(rows(j->popUp(kChannels)), (QStringList{"1", "2(Stereo)"}));
    EXPECT_EQ(j->popUp(kChannels)->currentIndex(), 1);
}

TEST_F(SettingWindowTest, RightToLeftValuesKeepTheirOwnOrderAndAreStoredPlain) {
    const QString p = profile("rates", "[Parameter]\nr=25, {25,29.97,30}\nac=2, {1,2(Stereo)}\n");
    const Qt::LayoutDirection before = QGuiApplication::layoutDirection();
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    opener->setLayoutDirection(Qt::RightToLeft);
    SettingWindowController* j = open(true, p);
    EXPECT_TRUE(j->isRightToLeft());
    const auto isolated = [](const char* value) { return QString(QChar(0x2066)) + value + QChar(0x2069); };
    EXPECT_EQ(rows(j->popUp(kFrameRate)),
              (QStringList{isolated("25 fps"), isolated("29.97 fps"), isolated("30 fps")}));
    EXPECT_EQ(rows(j->popUp(kChannels)), (QStringList{isolated("1"), isolated("2(Stereo)")}));
    choose(j->popUp(kFrameRate), 1);
    choose(j->popUp(kChannels), 1);
    EXPECT_EQ(defaults().stringForKey("framerateSelectTitle"), "29.97");
    EXPECT_EQ(defaults().stringForKey("achannelSelectTitle"), "2(Stereo)");
    QGuiApplication::setLayoutDirection(before);
}

TEST_F(SettingWindowTest, JoinerCustomBitRateWidensTheWindow) {
    SettingWindowController* w = open(true, ProfileSet::joiner().defaultProfilePath());
    const int dx = w->popUp(kVideoCodec)->x() - 112; // room for long labels
    w->setGeometry(100, 100, 360 + dx, 480);
    QComboBox* bit = w->popUp(kVideoBitRate);
    EXPECT_EQ(bit->itemText(0), "500 kbps"); // no Keep-Original row
    EXPECT_EQ(bit->itemText(bit->count() - 1), "Custom");
    EXPECT_FALSE(w->customVideoBit()->isVisibleTo(w));
    choose(bit, bit->count() - 1);
    EXPECT_EQ(defaults().stringForKey("bitateSelectTitle"), "Custom");
    EXPECT_TRUE(w->customVideoBit()->isVisibleTo(w));
    EXPECT_EQ(w->geometry(), QRect(40, 100, 480 + dx, 480)); // the centre stays
    // A normal frame size afterwards keeps the width and the bit-rate field.
    choose(w->popUp(kFrameSize), 1);
    EXPECT_EQ(w->width(), 480 + dx);
    EXPECT_TRUE(w->customVideoBit()->isVisibleTo(w));
    EXPECT_FALSE(w->customWidth()->isVisibleTo(w));
    EXPECT_EQ(masks, (std::vector<long>{8, 2}));
    // Typing a bit rate stores it at each keystroke, with mask 8.
    QTest::keyClicks(w->customVideoBit(), "25x");
    EXPECT_EQ(defaults().integerForKey(kCustomBitRateKey), 25);
    EXPECT_EQ(masks.back(), 8);
}

TEST_F(SettingWindowTest, CustomSizeFieldsStoreNumbers) {
    SettingWindowController* w = open(false, kHevc);
    const int dx = w->popUp(kVideoCodec)->x() - 112; // room for long labels
    QComboBox* size = w->popUp(kFrameSize);
    choose(size, size->count() - 1);
    ASSERT_TRUE(w->customWidth()->isVisibleTo(w));
    EXPECT_EQ(w->width(), 480 + dx);
    QTest::keyClicks(w->customWidth(), "640px");
    QTest::keyClicks(w->customHeight(), "360");
    EXPECT_EQ(defaults().integerForKey(kCustomWidthKey), 640);
    EXPECT_EQ(defaults().integerForKey(kCustomHeightKey), 360);
    EXPECT_EQ(masks.back(), 2);
    w->customWidth()->selectAll();
    QTest::keyClick(w->customWidth(), Qt::Key_Backspace);
    EXPECT_EQ(defaults().integerForKey(kCustomWidthKey), 0);
    QTest::keyClicks(w->customWidth(), "99999999999999999999");
    EXPECT_EQ(defaults().integerForKey(kCustomWidthKey), 2147483647);
    // Back to a listed size: the fields go and the window narrows again.
    choose(size, 2);
    EXPECT_FALSE(w->customWidth()->isVisibleTo(w));
    EXPECT_EQ(w->width(), 360 + dx);
}

TEST_F(SettingWindowTest, DefaultRestoresTheProfileChoices) {
    const QString p = profile("mixed", "[Parameter]\nvcodec=h264, {h264,mpeg4}\nb= , {1000,2000}\n"
                                       "acodec=aac, {aac,mp3}\nac=, {1,2}\n");
    defaults().setObject("2000", "bitate_SelectTitle");
    defaults().setObject("mp3", "acodec_SelectTitle");
    SettingWindowController* w = open(false, p);
    QTest::mouseClick(w->defaultBtn(), Qt::LeftButton);
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(masks.empty());
    EXPECT_EQ(defaults().stringForKey("acodec_SelectTitle"), "aac");
    EXPECT_EQ(defaults().stringForKey("vcodec_SelectTitle"), "h264");
    EXPECT_FALSE(defaults().hasKey("bitate_SelectTitle"));           // " " keeps the source's
    EXPECT_EQ(defaults().stringForKey("achannel_SelectTitle"), "1"); // nothing chosen: the first option
    EXPECT_EQ(w->popUp(kAudioCodec)->currentText(), "aac");

    // With a source record the kept values come from the source.
    auto source = std::make_shared<SimpleData>();
    source->sourceData->bitrate = 1500;
    w->setSimpdata(source);
    w->actiondefaultBtn();
    EXPECT_EQ(defaults().stringForKey("bitate_SelectTitle"), "1500");
    EXPECT_EQ(resets, 2);
}

TEST_F(SettingWindowTest, DefaultOnKeepOriginalRemovesEveryKey) {
    const QString keep = ProfileSet::editor().profilePath("Video", ProfileSet::kKeepOriginal);
    for (const Parameter& p : kParameters)
        defaults().setObject("x", p.editorKey);
    SettingWindowController* w = open(false, keep);
    // Shown with a Keep-Original row on the codecs too, all on row 0.
    EXPECT_EQ(w->popUp(kVideoCodec)->itemText(0), kKeep);
    EXPECT_EQ(w->popUp(kVideoCodec)->currentIndex(), 0);
    w->actiondefaultBtn();
    for (const Parameter& p : kParameters)
        EXPECT_FALSE(defaults().hasKey(p.editorKey)) << p.editorKey;
    EXPECT_EQ(w->popUp(kVideoCodec)->currentText(), "h264");
    EXPECT_EQ(w->popUp(kAudioCodec)->currentText(), "aac");
}

TEST_F(SettingWindowTest, KeepOriginalShowsKeepOnEveryPopUp) {
    for (const bool joinner : {true, false}) {
        const ProfileSet set = joinner ? ProfileSet::joiner() : ProfileSet::editor();
        for (const char* category : {"Video", "Audio"}) {
            const QString keep = set.profilePath(category, ProfileSet::kKeepOriginal);
            if (keep.isEmpty())
                continue;
            SettingWindowController* w = open(joinner, keep, QString(category) == "Audio" ? 2 : 1);
            for (int i = 0; i < int(kParameters.size()); ++i) {
                if (QComboBox* c = w->popUp(ParameterIndex(i))) {
                    EXPECT_EQ(c->currentText(), kKeep)
                        << category << " " << kParameters[i].profileKey << (joinner ? " joiner" : " editor");
                }
            }
            // Another value can still be picked, and keeping again forgets it.
            QComboBox* rate = w->popUp(kSampleRate);
            choose(rate, 1);
            EXPECT_TRUE(defaults().hasKey(kParameters[kSampleRate].defaultsKey(joinner)));
            choose(rate, 0);
            EXPECT_FALSE(defaults().hasKey(kParameters[kSampleRate].defaultsKey(joinner)));
            w->close();
        }
    }
}

TEST_F(SettingWindowTest, AudioProfileHasNoVideoBox) {
    SettingWindowController* w = open(false, ProfileSet::editor().profilePath("Audio", "mp3"), 2);
    EXPECT_EQ(w->popUp(kVideoCodec), nullptr);
    EXPECT_EQ(w->popUp(kAudioBitRate)->currentText(), kKeep);
    choose(w->popUp(kAudioBitRate), 2);
    EXPECT_EQ(defaults().stringForKey("abitate_SelectTitle"), "96");
    EXPECT_EQ(masks, std::vector<long>{128});
}

TEST_F(SettingWindowTest, MissingProfileLeavesOnlyFixedRows) {
    SettingWindowController* w = open(true, dir.filePath("gone.pf"));
    EXPECT_EQ(w->popUp(kVideoCodec)->count(), 0);
    EXPECT_EQ(rows(w->popUp(kFrameSize)), QStringList{"Custom"});
    EXPECT_EQ(rows(w->popUp(kVideoBitRate)), QStringList{"Custom"});
    EXPECT_EQ(w->popUp(kSampleRate)->count(), 0);
}

TEST(SettingWindow, NumForStringValue) {
    EXPECT_EQ(SettingWindowController::numForStringValue("12abc"), "12.00");
    EXPECT_EQ(SettingWindowController::numForStringValue("abc 3.5 kbps"), "3.50");
    EXPECT_EQ(SettingWindowController::numForStringValue(""), "0");
    EXPECT_EQ(SettingWindowController::numForStringValue("none"), "0");
}

TEST_F(SettingWindowTest, CustomProfileIsWrittenFromThePrompt) {
    defaults().setObject("h264", "vcodec_SelectTitle");
    defaults().setObject("Custom", "resolution_SelectTitle");
    defaults().setObject("96", "abitate_SelectTitle");
    SettingWindowController* w = open(false, kHevc);
    w->customWidth()->setText("640");
    w->customHeight()->setText("360");
    QTest::mouseClick(w->createCustomBtn(), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    InputFileNameWindowController* prompt = w->namePrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_EQ(prompt->customValue(), "custom={640x360}");
    QTest::keyClicks(prompt->nameNameField(), "Small HEVC");
    QTest::mouseClick(prompt->okBtn(), Qt::LeftButton);
    EXPECT_FALSE(prompt->isVisible());

    const QString path = ProfileSet::editor().profilePath("Custom", "Small HEVC");
    ASSERT_FALSE(path.isEmpty());
    auto value = [&](const char* section, const char* key) {
        return readProfileValue(QString(section), QString(key), path);
    };
    EXPECT_EQ(value("Main", "ExtName"), "mkv");
    EXPECT_EQ(value("Parameter", "vcodec"), "h264, {hevc,h264,mpeg4,vp9}");
    EXPECT_EQ(value("Parameter", "s"), "640x360, {3840x2160,2560x1440,1920x1080,1280x720,854x480,640x360}");
    EXPECT_EQ(value("Parameter", "r"), " , {23.976,24,25,29.97,30,50,59.94,60}");
    EXPECT_EQ(value("Parameter", "ab"), "96, {64,96,128,160,192,256,320}");
    EXPECT_EQ(ProfileSet::editor().items("Custom"), QStringList{"Small HEVC"});
}
