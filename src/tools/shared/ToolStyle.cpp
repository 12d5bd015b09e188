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
    return {"About/btnAddFile_Normal.bmp", "About/btnAddFile_On.bmp", "About/btnAddFile_Down.bmp", "",
            "About/btnAddFile_Disable.bmp"};
}
ImageList smallAddFilePictures() {
    return {"About/btnAddFile_Small_Normal.bmp", "About/btnAddFile_Small_On.bmp",
            "About/btnAddFile_Small_Down.bmp", "", "About/btnAddFile_Small_Disable.bmp"};
}
ImageList startPictures() {
    return {"SubFun/btnStart_Normal.bmp", "SubFun/btnStart_On.bmp", "SubFun/btnStart_Down.bmp",
            "SubFun/btnStart_Down.bmp", "SubFun/btnStart_Disable.bmp"};
}
ImageList browsePictures() {
    return {"SubFun/btnBrowse_Down.png", "SubFun/btnBrowse_Down.png", "SubFun/btnBrowse_Down.png",
            "SubFun/btnBrowse_Down.png", "SubFun/btnBrowse_Down.png"};
}
ImageList joinPlayPictures() {
    return {"Join/btnPlay_Normal.png", "", "", "Join/btnPause_Normal.png", "Join/btnPlay_Disable.png"};
}
ImageList joinStopPictures() {
    return {"Join/btnStop_Normal.png", "Join/btnStop_On.png", "Join/btnStop_Down.png", "",
            "Join/btnStop_Disable.png"};
}
ImageList openVolumePictures() {
    return {"Cut/btnOpenVolume_Normal.png", "Cut/btnOpenVolume_On.png", "Cut/btnOpenVolume_Down.png", "",
            "Cut/btnOpenVolume_Disable.png"};
}
ImageList closeVolumePictures() {
    return {"Cut/btnCloseVolume_Normal.png", "Cut/btnCloseVolume_On.png", "Cut/btnCloseVolume_Down.png", "",
            "Cut/btnCloseVolume_Disable.png"};
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
