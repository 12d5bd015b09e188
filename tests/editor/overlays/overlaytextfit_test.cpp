// The watermark and subtitle panels show their texts whole in every interface language, with a
// video mark selected (its file-range group shown), a text mark selected (font and colour) and
// a subtitle loaded.
#include "../../tools/shared/ToolWindowDriver.h"
#include "TextFit.h"
#include "editor/core/EditVideoWindowController.h"
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
            found << QStringLiteral("%1 %2 in %3").arg(w->metaObject()->className(), w->objectName(),
                                                       parent->metaObject()->className());
    }
    return found;
}

} // namespace

TEST(OverlayPanelsInEveryLanguage, TextsFitWithEachKindOfMark) {
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
        auto* w = new EditVideoWindowController(EditorToolTypeWatermark);
        w->resize(908, 622);
        w->show();
        ASSERT_TRUE(w->openFile(testsupport::media("h264_aac.mp4")));
        settle();
        const QString code = NSBundle::currentLanguageCode();
        ASSERT_TRUE(w->waterMarkPanel()->addPictureFile(testsupport::media("h264_aac.mp4")));
        settle();
        EXPECT_TRUE(outsideTheirParent(w->toolPanel(EditorToolTypeWatermark)).isEmpty())
            << outsideTheirParent(w->toolPanel(EditorToolTypeWatermark)).join(", ").toStdString();
        QStringList clipped = testsupport::clippedTexts(w->toolPanel(EditorToolTypeWatermark));
        EXPECT_TRUE(clipped.isEmpty()) << code.toStdString() << " video mark:\n  " << clipped.join("\n  ").toStdString();
        w->waterMarkPanel()->addText();
        settle();
        clipped = testsupport::clippedTexts(w->toolPanel(EditorToolTypeWatermark));
        EXPECT_TRUE(clipped.isEmpty()) << code.toStdString() << " text mark:\n  " << clipped.join("\n  ").toStdString();
        w->openTool(EditorToolTypeSubtitle);
        ASSERT_TRUE(w->subtitlePanel()->loadFile(srt));
        settle();
        clipped = testsupport::clippedTexts(w->toolPanel(EditorToolTypeSubtitle));
        clipped << outsideTheirParent(w->toolPanel(EditorToolTypeSubtitle));
        EXPECT_TRUE(clipped.isEmpty()) << code.toStdString() << " subtitle:\n  " << clipped.join("\n  ").toStdString();
        w->close();
        waitUntil([] { return false; }, 50);
    }
    UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
    NSBundle::setLanguage();
    UserDefaults::setStorePath(QString());
}
