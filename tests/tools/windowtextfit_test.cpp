// Every window in every interface language shows its texts whole: labels, buttons, pop-up
// items and fields, with room for the tops and bottoms of their glyphs; and in Arabic every
// window is the mirror of its English self.
#include "Mirror.h"
#include "TestSupport.h"
#include "TextFit.h"
#include "app/AboutUsWindowController.h"
#include "app/AppDelegate.h"
#include "editor/core/EditVideoWindowController.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/UserDefaults.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileSet.h"
#include "profiles/SettingWindowController.h"
#include "tools/batchcut/BatchCutterWindowController.h"
#include "tools/easycut/EasyCutterWindowcontroller.h"
#include "tools/join/JoinnerWindowController.h"
#include "tools/shared/ScreenRoom.h"
#include "tools/split/SplitWindowController.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

class EveryLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UserDefaults::setStorePath(dir_.filePath("defaults.ini"));
        ProfileSet::setCustomFolders({dir_.filePath("Custom")});
    }
    void TearDown() override {
        UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
        NSBundle::setLanguage();
        ProfileSet::setCustomFolders({});
        UserDefaults::setStorePath(QString());
    }

    // Opens a window in each language with make(), and reports every clipped text, and in
    // Arabic every widget that is not where the mirror of the English window puts it. The
    // test deletes the window unless it stays its maker's (owned).
    void expectWholeTexts(const std::function<QWidget*()>& make, bool owned = true,
                          const QString& knownFinding = QString()) {
        std::vector<testsupport::Placement> english;
        for (int language = 0; language < NSBundle::languageCount(); ++language) {
            UserDefaults::standardUserDefaults().setInteger(language, "AppLanguage");
            NSBundle::setLanguage();
            QWidget* window = make();
            window->show();
            QCoreApplication::processEvents();
            QStringList clipped = testsupport::clippedTexts(window);
            if (!knownFinding.isEmpty())
                clipped.removeIf([&](const QString& f) { return f.startsWith(knownFinding); });
            EXPECT_TRUE(clipped.isEmpty()) << NSBundle::currentLanguageCode().toStdString() << ":\n  "
                                           << clipped.join("\n  ").toStdString();
            if (language == 0)
                english = testsupport::placements(window);
            if (NSBundle::currentLanguageCode() == "ar") {
                EXPECT_TRUE(window->isRightToLeft());
                const QStringList notMirrored =
                    testsupport::unmirrored(english, testsupport::placements(window));
                EXPECT_TRUE(notMirrored.isEmpty())
                    << "ar, not mirrored:\n  " << notMirrored.join("\n  ").toStdString();
            }
            window->close();
            if (owned)
                delete window;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

private:
    QTemporaryDir dir_;
};

} // namespace

TEST_F(EveryLanguage, HomeScreenAndLanguagePopUp) {
    std::unique_ptr<AppDelegate> delegate;
    expectWholeTexts(
        [&]() -> QWidget* {
            delegate = std::make_unique<AppDelegate>();
            delegate->applicationDidFinishLaunching();
            // The language pop-up is among the texts checked.
            EXPECT_TRUE(delegate->langeuagePopBtn()->isVisibleTo(delegate->mainWindow()));
            return delegate->mainWindow();
        },
        false);
}

TEST_F(EveryLanguage, AboutBox) {
    expectWholeTexts([] { return new AboutUsWindowController(); });
}

TEST_F(EveryLanguage, EasyCutterWithASource) {
    expectWholeTexts([] {
        auto* w = new EasyCutterWindowcontroller();
        EXPECT_TRUE(w->loadSourceFile(testsupport::media("h264_aac.mp4")));
        return w;
    });
}

TEST_F(EveryLanguage, EditorAtItsSmallestWithAFile) {
    expectWholeTexts([] {
        auto* w = new EditVideoWindowController();
        w->resize(908, 622);
        EXPECT_TRUE(w->openFile(testsupport::media("h264_aac.mp4")));
        return w;
    });
}

// The watermark tool with no mark chosen shows its font group with its caption.
TEST_F(EveryLanguage, EditorWatermarkTool) {
    expectWholeTexts([] {
        auto* w = new EditVideoWindowController(EditorToolTypeWatermark);
        w->resize(908, 622);
        EXPECT_TRUE(w->openFile(testsupport::media("h264_aac.mp4")));
        QLabel* caption = w->findChild<QLabel*>("wmFontStyleLabelstringValue");
        EXPECT_TRUE(caption && caption->isVisibleTo(w));
        return w;
    });
}

TEST_F(EveryLanguage, SplitterWithASource) {
    expectWholeTexts([] {
        auto* w = new SplitWindowController();
        EXPECT_TRUE(w->loadSourceFile(testsupport::media("long_10s.mp4")));
        return w;
    });
}

TEST_F(EveryLanguage, JoinerWithClips) {
    // On a screen with room for it, so that the format band is open with its tabs and tiles.
    ScreenRoom::standIn(QSize(1920, 1080));
    expectWholeTexts([] {
        auto* w = new JoinnerWindowController();
        EXPECT_EQ(w->addFiles({testsupport::media("h264_aac.mp4"), testsupport::media("no_audio.mp4")}), 2);
        return w;
    });
    ScreenRoom::standIn(QSize());
}

TEST_F(EveryLanguage, BatchCutterEmptyAndWithFiles) {
    // The empty window shows the getting-started text; a loaded one the list and the range.
    expectWholeTexts([] { return new BatchCutterWindowController(); });
    expectWholeTexts([] {
        auto* w = new BatchCutterWindowController();
        EXPECT_EQ(w->addFiles({testsupport::media("h264_aac.mp4"), testsupport::media("audio_only.mp3")}), 2);
        return w;
    });
}

TEST_F(EveryLanguage, SettingsWindows) {
    for (const bool joinner : {true, false}) {
        for (const char* category : {"Video", "Audio"}) {
            const ProfileSet set = joinner ? ProfileSet::joiner() : ProfileSet::editor();
            const QString path = set.profilePath(category, set.items(category).value(1));
            expectWholeTexts([&] {
                auto* w = new SettingWindowController();
                w->setJoinner(joinner);
                w->setFileType(QString(category) == "Audio" ? 2 : 1);
                w->window();
                w->setPfPath(path);
                w->displayViewChildes();
                return w;
            });
        }
    }
}

TEST_F(EveryLanguage, ProfileNamePrompt) {
    expectWholeTexts([] {
        auto* w = new InputFileNameWindowController();
        w->window();
        return w;
    });
}
