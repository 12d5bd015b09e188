// Every panel of the editor at its smallest size shows its texts whole in every interface
// language, each in the state that shows the most: music tracks with the prune section open, a
// video mark (its file-range group) and a text mark (font and colour), a loaded subtitle, and
// the crop, rotate and effects panels.
#include "../../tools/shared/ToolWindowDriver.h"
#include "TextFit.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/music/MusicPanel.h"
#include "editor/overlays/SubtitlePanel.h"
#include "editor/overlays/WaterMarkPanel.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/UserDefaults.h"

#include <QAbstractScrollArea>
#include <QFile>
#include <QTemporaryDir>

using namespace tooltest;

namespace {

// Controls that stick out of their parent are cut off: list each one shown under root.
QStringList outsideTheirParent(QWidget* root) {
    QStringList found;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        QWidget* parent = w->parentWidget();
        if (!w->isVisibleTo(root) || !parent || w->isWindow() || w->objectName().startsWith("qt_"))
            continue;
        if (qobject_cast<QAbstractScrollArea*>(parent->parentWidget()))
            continue; // scrolled contents
        if (!parent->rect().contains(w->geometry()))
            found << QStringLiteral("%1 %2 in %3")
                         .arg(w->metaObject()->className(), w->objectName(),
                              parent->metaObject()->className());
    }
    return found;
}

} // namespace

TEST(EditorTexts, FitInEveryLanguageWithEachPanelFull) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
    const QString srt = dir.filePath("a.srt");
    {
        QFile f(srt);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1\n00:00:01,000 --> 00:00:02,000\nHi\n");
    }
    for (int language = 0; language < NSBundle::languageCount(); ++language) {
        UserDefaults::standardUserDefaults().setInteger(language, "AppLanguage");
        NSBundle::setLanguage();
        const std::string code = NSBundle::currentLanguageCode().toStdString();
        QPointer<EditVideoWindowController> w = new EditVideoWindowController(EditorToolTypeMusic);
        w->resize(908, 622);
        w->show();
        ASSERT_TRUE(w->openFile(testsupport::media("long_10s.mp4")));
        settle();
        const auto expectWhole = [&](QWidget* root, const char* what, bool placed = false) {
            QStringList clipped = testsupport::clippedTexts(root);
            if (placed)
                clipped << outsideTheirParent(root);
            EXPECT_TRUE(clipped.isEmpty())
                << code << " " << what << ":\n  " << clipped.join("\n  ").toStdString();
        };

        ASSERT_EQ(w->tool<MusicPanel>()->loadMusicFiles(
                      {testsupport::media("audio_only.mp3"), testsupport::media("audio_only.m4a")}),
                  2);
        w->tool<MusicPanel>()->togglePrune();
        settle();
        expectWhole(w.data(), "music");

        w->openTool(EditorToolTypeWatermark);
        ASSERT_TRUE(w->tool<WaterMarkPanel>()->addPictureFile(testsupport::media("h264_aac.mp4")));
        settle();
        expectWhole(w->toolPanel(EditorToolTypeWatermark), "video mark", true);
        w->tool<WaterMarkPanel>()->addText();
        settle();
        expectWhole(w->toolPanel(EditorToolTypeWatermark), "text mark");

        w->openTool(EditorToolTypeSubtitle);
        ASSERT_TRUE(w->tool<SubtitlePanel>()->loadFile(srt));
        settle();
        expectWhole(w->toolPanel(EditorToolTypeSubtitle), "subtitle", true);

        for (EditorToolType tool : {EditorToolTypeCrop, EditorToolTypeRotate, EditorToolTypeEffect}) {
            w->openTool(tool);
            settle();
            expectWhole(w->toolPanel(tool), "picture tool");
        }
        closeWindow(w);
    }
    UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
    NSBundle::setLanguage();
    UserDefaults::setStorePath(QString());
}
