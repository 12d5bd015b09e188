#include "tools/shared/ToolStyle.h"

#include "foundation/controls/ZylButton.h"

#include <QLabel>
#include <QPalette>

namespace toolstyle {

namespace {
NamedImage load(const QString& name) {
    return name.isEmpty() ? NamedImage() : NamedImage(name);
}
} // namespace

ImageList pictureSet(const QString& stem, const QString& ext, const QString& selected) {
    return {stem + "_Normal" + ext, stem + "_On" + ext, stem + "_Down" + ext, selected,
            stem + "_Disable" + ext};
}

ImageList addFilePictures() {
    return pictureSet("About/btnAddFile", ".bmp");
}
ImageList smallAddFilePictures() {
    return pictureSet("About/btnAddFile_Small", ".bmp");
}
ImageList startPictures() {
    return pictureSet("SubFun/btnStart", ".bmp", "SubFun/btnStart_Down.bmp");
}
ImageList browsePictures() {
    const QString b = "SubFun/btnBrowse_Down.png";
    return {b, b, b, b, b};
}
ImageList joinPlayPictures() {
    return {"Join/btnPlay_Normal.png", "", "", "Join/btnPause_Normal.png", "Join/btnPlay_Disable.png"};
}
ImageList joinStopPictures() {
    return pictureSet("Join/btnStop", ".png");
}
ImageList openVolumePictures() {
    return pictureSet("Cut/btnOpenVolume", ".png");
}
ImageList closeVolumePictures() {
    return pictureSet("Cut/btnCloseVolume", ".png");
}

void setButtonImages(ZylButton* b, const ImageList& n) {
    b->setNormalImage(load(n[0]));
    b->setOnImage(load(n[1]));
    b->setDownImage(load(n[2]));
    b->setSelectedImage(load(n[3]));
    b->setDisAbleImage(load(n[4]));
}

void setButtonBackgrounds(ZylButton* b, const ImageList& n) {
    b->setNormalBackgroundImage(load(n[0]));
    b->setOnBackgroundImage(load(n[1]));
    b->setDownBackgroundImage(load(n[2]));
    b->setSelectedBackgroundImage(load(n[3]));
    b->setDisAbleBackgroundImage(load(n[4]));
}

void styleAddFileButton(ZylButton* button, const QString& title) {
    setButtonBackgrounds(button, addFilePictures());
    button->setBackGroundColor(kAddFileBlue);
    button->setBordColor(kAddFileBlue);
    button->setBorderWidth(0);
    button->setCornerRadius(3);
    button->setContentColor(Qt::white);
    button->setContentTitle(title);
}

void styleStartButton(ZylButton* button, const QString& title) {
    setButtonBackgrounds(button, startPictures());
    setPointSize(button, kStartTitlePoints);
    button->setContentColor(Qt::white);
    button->setLeftIconWidth(20);
    button->setContentImagePosition(0);
    button->setContentTitle(title);
}

void paintBackground(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
}

void whiteText(QLabel* label) {
    label->setStyleSheet("color: white;");
}

void setPointSize(QWidget* widget, int points) {
    QFont f = widget->font();
    f.setPointSize(points);
    widget->setFont(f);
}

} // namespace toolstyle
