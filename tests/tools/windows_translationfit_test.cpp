// In every interface language the easy cutter's and the splitter's labels and titled buttons
// show their whole text without running into the control beside them.
#include "foundation/controls/LabelFit.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/UserDefaults.h"
#include "tools/easycut/EasyCutterWindowcontroller.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/split/SplitWindowController.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class EachLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UserDefaults::setStorePath(dir_.filePath("defaults.ini"));
    }
    void TearDown() override {
        UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
        NSBundle::setLanguage();
        UserDefaults::setStorePath(QString());
    }
    static void choose(int language) {
        UserDefaults::standardUserDefaults().setInteger(language, "AppLanguage");
        NSBundle::setLanguage();
    }

private:
    QTemporaryDir dir_;
};

// The text and the gap fit the label, and the label ends before `next` begins.
void expectFits(const QLabel* label, const QWidget* next, const QString& language) {
    const QFontMetrics fm(label->font());
    const int room = label->width() - controls::kLabelGap;
    if (label->wordWrap()) {
        const QRect lines = fm.boundingRect(QRect(0, 0, room, 1000), Qt::TextWordWrap, label->text());
        EXPECT_LE(lines.width(), room) << language.toStdString() << ": " << label->text().toStdString();
        EXPECT_LE(lines.height(), label->height())
            << language.toStdString() << ": " << label->text().toStdString();
        return;
    }
    const int text = fm.horizontalAdvance(label->text());
    EXPECT_LE(text + controls::kLabelGap, label->width())
        << language.toStdString() << ": " << label->text().toStdString();
    if (next) {
        EXPECT_LE(label->geometry().right(), next->x() - 1) << language.toStdString();
    }
}

void expectWhole(const ZylButton* button, const QString& language) {
    EXPECT_EQ(button->shownTitle(), button->contentTitle()) << language.toStdString();
}

} // namespace

TEST_F(EachLanguage, EasyCutterTextsFit) {
    for (int language = 0; language < NSBundle::languageCount(); ++language) {
        choose(language);
        const QString code = NSBundle::currentLanguageCode();
        EasyCutterWindowcontroller w;
        expectFits(w.outputLabel, w.outputPopBtn, code);
        expectFits(w.progressLabel, w.exportProgressView, code);
        for (QLabel* l : {w.startTimeLabel, w.endTimeLabel, w.durationLabel, w.playpauseLabel})
            expectFits(l, nullptr, code);
        for (ZylButton* b :
             {w.itemModifyBtn, w.itemDeletedBtn, w.merageBtn, w.startExportBtn, w.cutStartBtn, w.addfileBtn})
            expectWhole(b, code);
        // "Copy" also titles the Edit menu's command: where it is too long for its 50 points
        // the row button shows it cut short, whole in its tooltip.
        if (w.itemCopyBtn->shownTitle() != w.itemCopyBtn->contentTitle()) {
            EXPECT_EQ(w.itemCopyBtn->toolTip(), w.itemCopyBtn->contentTitle()) << code.toStdString();
        }
        // The progress bar keeps its right edge when its label needs more room.
        EXPECT_EQ(w.exportProgressView->geometry().right(), w.startExportBtn->x() - 13) << code.toStdString();
    }
}

TEST_F(EachLanguage, SplitterTextsFit) {
    for (int language = 0; language < NSBundle::languageCount(); ++language) {
        choose(language);
        const QString code = NSBundle::currentLanguageCode();
        SplitWindowController w;
        expectFits(w.outputLabel, w.outputPopBtn, code);
        expectFits(w.exportProgresslabel, w.exportProgressView, code);
        expectWhole(w.startExportBtn, code);
    }
}

TEST(ZylButtonTitle, TooLongTitleIsCutShortWithTheWholeTitleAsTooltip) {
    ZylButton b;
    b.resize(40, 20);
    b.show();
    b.setContentTitle("Edit");
    EXPECT_EQ(b.shownTitle(), "Edit");
    EXPECT_TRUE(b.toolTip().isEmpty());
    b.setContentTitle("Supercalifragilistic");
    EXPECT_NE(b.shownTitle(), "Supercalifragilistic");
    EXPECT_EQ(b.toolTip(), "Supercalifragilistic");
    // Wide enough again: whole, and the tooltip goes.
    b.resize(400, 20);
    EXPECT_EQ(b.shownTitle(), "Supercalifragilistic");
    EXPECT_TRUE(b.toolTip().isEmpty());
    // A tooltip the owner set is the owner's.
    b.setToolTip("mine");
    b.resize(40, 20);
    b.resize(400, 20);
    EXPECT_EQ(b.toolTip(), "mine");
}
