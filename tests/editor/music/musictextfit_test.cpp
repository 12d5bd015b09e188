// The music tool at the editor's smallest size, with tracks and the prune section open, shows
// every text whole in every interface language.
#include "TestSupport.h"
#include "TextFit.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/music/MusicPanel.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(MusicToolTexts, FitInEveryLanguage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
    for (int language = 0; language < NSBundle::languageCount(); ++language) {
        UserDefaults::standardUserDefaults().setInteger(language, "AppLanguage");
        NSBundle::setLanguage();
        auto w = std::make_unique<EditVideoWindowController>(EditorToolTypeMusic);
        w->resize(908, 622);
        w->show();
        ASSERT_TRUE(w->openFile(testsupport::media("long_10s.mp4")));
        MusicPanel* panel = w->musicPanel();
        ASSERT_EQ(panel->loadMusicFiles(
                      {testsupport::media("audio_only.mp3"), testsupport::media("audio_only.m4a")}),
                  2);
        panel->togglePrune();
        QCoreApplication::processEvents();
        const QStringList clipped = testsupport::clippedTexts(w.get());
        EXPECT_TRUE(clipped.isEmpty())
            << NSBundle::currentLanguageCode().toStdString() << ":\n  " << clipped.join("\n  ").toStdString();
        if (!qEnvironmentVariableIsEmpty("CUTBENCH_SHOT_DIR"))
            w->grab().save(qEnvironmentVariable("CUTBENCH_SHOT_DIR") + "/music_" +
                           NSBundle::currentLanguageCode() + ".png");
    }
    UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
    NSBundle::setLanguage();
    UserDefaults::setStorePath(QString());
}
