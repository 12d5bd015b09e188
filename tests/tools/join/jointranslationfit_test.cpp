// In every interface language the join window's labels, buttons and list rows show their
// whole text within their frames.
#include "TestSupport.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/UserDefaults.h"
#include "tools/join/JoinnerCell.h"
#include "tools/join/JoinnerTableView.h"
#include "tools/join/JoinnerWindowController.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void expectFits(QWidget* root, const QString& language) {
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->pixmap().isNull())
            continue;
        const QFontMetrics fm(label->font());
        if (label->wordWrap()) {
            const QRect lines =
                fm.boundingRect(QRect(0, 0, label->width(), 10000), Qt::TextWordWrap, label->text());
            EXPECT_LE(lines.height(), label->height())
                << language.toStdString() << ": " << label->text().toStdString();
            continue;
        }
        EXPECT_LE(fm.horizontalAdvance(label->text()), label->width())
            << language.toStdString() << ": " << label->text().toStdString();
    }
    for (const QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty())
            continue;
        EXPECT_LE(button->sizeHint().width(), button->width())
            << language.toStdString() << ": " << button->text().toStdString();
    }
    for (const ZylButton* button : root->findChildren<ZylButton*>())
        EXPECT_EQ(button->shownTitle(), button->contentTitle()) << language.toStdString();
}

} // namespace

TEST(JoinTranslationFit, EveryLanguageFits) {
    QTemporaryDir dir;
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
    for (int language = 0; language < NSBundle::languageCount(); ++language) {
        UserDefaults::standardUserDefaults().setInteger(language, "AppLanguage");
        NSBundle::setLanguage();
        auto* window = new JoinnerWindowController();
        window->show();
        ASSERT_EQ(window->addFiles({testsupport::media("h264_aac.mp4")}), 1);
        expectFits(window, QString::number(language));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
    NSBundle::setLanguage();
    UserDefaults::setStorePath(QString());
}
