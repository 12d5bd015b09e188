// Grabs every control in each of its looks into gallery/*.png in the build tree, so that a
// person can look at them. Missing pictures do not fail it; they are listed at the end.
#include "foundation/controls/FwTextFiledCenter.h"
#include "foundation/controls/LxButton.h"
#include "foundation/controls/LxCustomButton.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/LxRadioButton.h"
#include "foundation/controls/LxSwitchButton.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/controls/MergeButton.h"
#include "foundation/controls/MouseMoveButton.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylOpenAlert.h"
#include "foundation/controls/ZylView.h"
#include "foundation/helpers/HelpClass.h"

#include <QDialog>
#include <QDir>
#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class Gallery : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QDir::current().mkpath(QStringLiteral("gallery")); }
    static void TearDownTestSuite() {
        const QStringList missing = NamedImage::missingNames();
        std::printf("gallery: %lld pictures missing%s\n", qlonglong(missing.size()),
                    missing.isEmpty() ? "" : ":");
        for (const QString& name : missing)
            std::printf("  %s\n", qPrintable(name));
    }
    void SetUp() override {
        host.setStyleSheet(QStringLiteral("background: rgb(245,245,245)"));
        host.resize(500, 200);
        host.show();
    }
    void shoot(QWidget* w, const QString& name) {
        QCoreApplication::processEvents();
        const QImage shot = w->grab().toImage();
        ASSERT_FALSE(shot.isNull()) << qPrintable(name);
        const QString path = QDir::current().filePath(QStringLiteral("gallery/%1.png").arg(name));
        ASSERT_TRUE(shot.save(path)) << qPrintable(path);
    }
    static void enter(QWidget* w) {
        QEnterEvent e(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(w, &e);
    }
    static void leave(QWidget* w) {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(w, &e);
    }
    QWidget host;
};

TEST_F(Gallery, ImageButtons) {
    auto* play = new ZylButton(NSRect{10, 10, 40, 40}, &host);
    play->setNormalImage("Cut/btnPlay_Normal.png");
    play->setOnImage("Cut/btnPlay_On.png");
    play->setDownImage("Cut/btnPlay_Down.png");
    play->setSelectedImage("Cut/btnPause_Normal.png");
    play->setDisAbleImage("Cut/btnPlay_Disable.png");
    shoot(play, "ZylButton_normal");
    enter(play);
    shoot(play, "ZylButton_hover");
    QTest::mousePress(play, Qt::LeftButton, {}, QPoint(5, 5));
    shoot(play, "ZylButton_down");
    QTest::mouseRelease(play, Qt::LeftButton, {}, QPoint(5, 5));
    leave(play);
    play->setSelected(true);
    shoot(play, "ZylButton_selected");
    play->setEnabled(false);
    shoot(play, "ZylButton_disabled");

    auto* start = new ZylButton(NSRect{60, 10, 160, 44}, &host);
    start->setNormalBackgroundImage("SubFun/btnStart_Normal.bmp");
    start->setOnBackgroundImage("SubFun/btnStart_On.bmp");
    start->setDownBackgroundImage("SubFun/btnStart_Down.bmp");
    start->setDisAbleBackgroundImage("SubFun/btnStart_Disable.bmp");
    start->setBackGroundColor(QColor(33, 176, 235));
    start->setFont(HelpClass::fontWithName(QString(), 18));
    start->setLeftIconWidth(20);
    start->setContentTitle(QStringLiteral("Start"));
    shoot(start, "ZylButton_title_normal");
    enter(start);
    shoot(start, "ZylButton_title_hover");
    start->setEnabled(false);
    shoot(start, "ZylButton_title_disabled");

    auto* link = new ZylButton(NSRect{230, 10, 80, 24}, &host);
    link->setContentTitle(QStringLiteral("Homepage"));
    link->setContentColor(QColor(33, 176, 235));
    link->setUnderLine(true);
    shoot(link, "ZylButton_link");
}

TEST_F(Gallery, TrimBarsAndSliders) {
    for (int type : {0, 1, 2}) {
        auto* bar = new LxCutProgressView(NSRect{10, 50, 400, 30}, &host);
        bar->setType(type);
        bar->setUpperValue(0.7f);
        bar->setLowerValue(0.2f);
        bar->setProgress(0.45f);
        shoot(bar, QStringLiteral("LxCutProgressView_type%1").arg(type));
        bar->setIsFanxuan(true);
        shoot(bar, QStringLiteral("LxCutProgressView_type%1_inverse").arg(type));
        bar->setDisable(true);
        shoot(bar, QStringLiteral("LxCutProgressView_type%1_disabled").arg(type));
        delete bar;
    }
    auto* slider = new LxProgressSlider(NSRect{10, 100, 200, 16}, &host);
    for (float p : {0.0f, 0.5f, 1.0f}) {
        slider->setProgress(p);
        shoot(slider, QStringLiteral("LxProgressSlider_%1").arg(int(p * 100)));
    }
    auto* progress = new NSProgressView(NSRect{10, 130, 300, 10}, &host);
    progress->setProgress(0.3f);
    shoot(progress, "NSProgressView_30");
}

TEST_F(Gallery, TabsAndSmallButtons) {
    auto* tab = new LxCustomButton(NSRect{10, 10, 120, 24}, &host);
    tab->setSelectedBackImage("Resources/selImageView.png");
    tab->setHightideBackImage("Resources/selImageView.png");
    tab->setNormalTitleColor(QColor(207, 207, 207, 204));
    tab->setSelectedTitleColor(QColor(255, 255, 255, 204));
    tab->setCellTextPosition(4);
    tab->setFontsize(13);
    tab->setTitle(QStringLiteral("Video"));
    tab->setSelected(false);
    shoot(tab, "LxCustomButton_normal");
    tab->setSelected(true);
    shoot(tab, "LxCustomButton_selected");
    tab->setEnabled(false);
    tab->setSelected(true);
    shoot(tab, "LxCustomButton_disabled");

    auto* cancel = new LxButton(NSRect{140, 10, 80, 30}, &host);
    cancel->setTitle(QStringLiteral("Cancel"));
    shoot(cancel, "LxButton_normal");
    QTest::mouseClick(cancel, Qt::LeftButton);
    shoot(cancel, "LxButton_selected");

    auto* radio = new LxRadioButton(NSRect{230, 10, 120, 30}, &host);
    radio->setTitle(QStringLiteral("Picture"));
    shoot(radio, "LxRadioButton_normal");
    radio->setSelected(true);
    shoot(radio, "LxRadioButton_selected");

    auto* sw = new LxSwitchButton(NSRect{10, 60, 140, 24}, &host);
    sw->setNormalImage("Resources/checkNoFiles.png");
    sw->setSelectedImage("Resources/checkFiles.png");
    sw->setTitle(QStringLiteral("Keep aspect"));
    sw->setSelected(false);
    shoot(sw, "LxSwitchButton_off");
    sw->setSelected(true);
    shoot(sw, "LxSwitchButton_on");

    auto* merge = new MergeButton(NSRect{160, 60, 60, 24}, &host);
    shoot(merge, "MergeButton_off");
    merge->setselected(true);
    shoot(merge, "MergeButton_on");

    auto* arrow = new MouseMoveButton(NSRect{230, 60, 28, 28}, &host);
    arrow->setImage("Resources/left_nor.png");
    arrow->setDisabledImage("Resources/left_dis.png");
    shoot(arrow, "MouseMoveButton_normal");
    arrow->setEnabled(false);
    shoot(arrow, "MouseMoveButton_disabled");

    auto* field = new LxTextField(NSRect{270, 60, 30, 20}, &host);
    field->setText(QStringLiteral("00"));
    field->setAlignment(Qt::AlignCenter);
    shoot(field, "LxTextField_disabled");
    field->setEnabled(true);
    shoot(field, "LxTextField_enabled");

    auto* label = new FwTextFiledCenter(NSRect{310, 60, 150, 30}, &host);
    label->setStringValue(QStringLiteral("Watermark"));
    label->setTextColor(QColor(200, 30, 30));
    shoot(label, "FwTextFiledCenter");
}

TEST_F(Gallery, PanelsAndTheFinishMessage) {
    auto* panel = new ZylView(NSRect{10, 10, 120, 80}, &host);
    panel->setBackGroundColor(QColor(245, 245, 245));
    panel->setCornerRadius(5);
    panel->setBordColor(QColor(90, 216, 238));
    panel->setBorderWidth(2);
    shoot(panel, "ZylView");
    auto* editor = new ZylImageView(NSRect{140, 10, 168, 48}, &host);
    editor->setNormalBackGroundImage("Cut/imgActionBottom.bmp");
    editor->setBackGroundColor(QColor(33, 176, 235));
    shoot(editor, "ZylImageView");

    auto* alert = new ZylOpenAlert(&host);
    alert->setInfomation(QStringLiteral("Cutterfinishedstring"));
    alert->setSelectedOkBlock([](bool) {});
    alert->placeOverCaller();
    alert->open();
    shoot(alert->window(), "ZylOpenAlert");
    alert->okAction();
}

} // namespace
