// In every interface language the editor window's labels, titled buttons and menus show
// their whole text in the room the window gives them, and every picture it names exists.
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/LabelFit.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/UserDefaults.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/TimeCodeRow.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class EditorEachLanguage : public ::testing::Test {
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

// The text fits the label (on its lines when it wraps) and is not empty.
void expectFits(const QLabel* label, const QString& language) {
    const QFontMetrics fm(label->font());
    const QString where = language + ": " + label->text();
    EXPECT_FALSE(label->text().isEmpty()) << where.toStdString();
    const int room = label->width() - label->contentsMargins().right();
    if (label->wordWrap()) {
        const QRect lines = fm.boundingRect(QRect(0, 0, room, 1000), Qt::TextWordWrap, label->text());
        EXPECT_LE(lines.width(), room) << where.toStdString();
        EXPECT_LE(lines.height(), label->height()) << where.toStdString();
    } else {
        EXPECT_LE(fm.horizontalAdvance(label->text()), room) << where.toStdString();
    }
}

void expectWhole(const ZylButton* button, const QString& language) {
    EXPECT_FALSE(button->contentTitle().isEmpty()) << language.toStdString();
    EXPECT_EQ(button->shownTitle(), button->contentTitle()) << language.toStdString();
}

// Every item of a menu fits its closed pop-up, beside the arrow.
void expectItemsFit(const QComboBox* menu, const QString& language) {
    const QFontMetrics fm(menu->font());
    for (int i = 0; i < menu->count(); ++i)
        EXPECT_LE(fm.horizontalAdvance(menu->itemText(i)) + 30, menu->width())
            << language.toStdString() << ": " << menu->itemText(i).toStdString();
}

} // namespace

TEST_F(EditorEachLanguage, EditorTextsFit) {
    for (int language = 0; language < NSBundle::languageCount(); ++language) {
        choose(language);
        const QString code = NSBundle::currentLanguageCode();
        EditVideoWindowController w;
        w.resize(908, 622); // the smallest window
        w.show();
        for (EditorToolType tool : kEditorToolBarOrder) {
            expectWhole(w.toolButton(tool), code);
            expectFits(w.toolPanel(tool)->findChild<QLabel*>("panelTitle"), code);
        }
        for (ZylButton* b : {w._addfileButton, w.resetTrimBtn, w.exportBar_->startButton})
            expectWhole(b, code);
        for (QLabel* l : {w.startLabel_, w.endLabel_, w.preferenceLabel_})
            expectFits(l, code);
        // The labels beside the time rows end before the rows begin.
        EXPECT_LE(w.startLabel_->geometry().right(), w.startRow_->x()) << code.toStdString();
        for (QLabel* l : w._toolMusicNofileView->findChildren<QLabel*>())
            expectFits(l, code);
        expectItemsFit(w._preferenceBtn, code);
        expectItemsFit(w.exportBar_->folderChooser, code);
        EXPECT_FALSE(w._scrLabel->placeholderText().isEmpty());
        // The export row: each label ends before the control after it.
        EXPECT_LE(w.exportBar_->outputLabel->geometry().right(), w.exportBar_->folderChooser->x())
            << code.toStdString();
        EXPECT_LE(w.exportBar_->progressLabel->geometry().right(), w.exportBar_->progressView->x())
            << code.toStdString();
        // The time labels hold the longest time the window shows.
        w._totalTimeLabel->setText(HelpClass::returnTimeToStr(99 * 3600 + 59 * 60 + 59.99));
        expectFits(w._totalTimeLabel, code);
    }
    EXPECT_TRUE(NamedImage::missingNames().isEmpty()) << NamedImage::missingNames().join(", ").toStdString();
}
