#include "tools/shared/ClipStrip.h"

#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "tools/shared/Loc.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"
#include "tools/shared/ToolWindow.h"

#include <QComboBox>

using toollayout::make;

namespace clipstrip {
namespace {
constexpr double kStripHeight = 28;
constexpr double kVolumeButtonWidth = 24;
constexpr double kVolumeSliderWidth = 50;

void framedBracket(ZylButton* button, const char* key) {
    button->setContentTitle(loc(key));
    button->setContentColor(Qt::black);
    // Framed like the strip's other buttons, so the brackets read as buttons.
    button->setBackGroundColor(Qt::white);
    button->setDisAblebackGroundColor(toolstyle::kDisabledGrey);
    button->setBordColor(QColor(188, 189, 189));
    button->setBorderWidth(1);
    button->setCornerRadius(4);
}
} // namespace

void build(ToolWindow* window, QWidget* parent, double y, const Controls& c, const Actions& a,
           LxProgressSliderDelegate* volumeDelegate) {
    // The buttons act after their click has finished, and not once the window is closing.
    auto queued = [window](std::function<void()> work) { return window->afterClick(std::move(work)); };
    c.play = make<ZylButton>(parent, 10, y, kStripHeight, kStripHeight);
    toolstyle::setButtonImages(c.play, toolstyle::joinPlayPictures());
    c.play->mouseDownAction = queued(a.playPause);
    c.stop = make<ZylButton>(parent, 42, y, kStripHeight, kStripHeight);
    toolstyle::setButtonImages(c.stop, toolstyle::joinStopPictures());
    c.stop->mouseDownAction = queued(a.stop);

    c.setStart = make<ZylButton>(parent, 76, y + 2, 24, 24);
    c.setStop = make<ZylButton>(parent, 102, y + 2, 24, 24);
    framedBracket(c.setStart, "[");
    framedBracket(c.setStop, "]");
    c.setStart->mouseDownAction = queued(a.setStart);
    c.setStop->mouseDownAction = queued(a.setStop);

    c.snapshot = make<ZylButton>(parent, 134, y, kStripHeight, kStripHeight);
    toolstyle::setButtonImages(c.snapshot, toolstyle::pictureSet("Join/btnCapture", ".png"));
    c.snapshot->mouseDownAction = queued(a.snapshot);
    c.snapshotStyle = make<ZylButton>(parent, 164, y, 22, kStripHeight);
    toolstyle::setButtonImages(c.snapshotStyle, toolstyle::pictureSet("Join/btnCaptureSet", ".png"));
    c.snapshotStyle->setBordered(false);
    c.snapshotStyle->mouseDownAction = queued(a.toggleStylePop);
    c.stylePop = make<QComboBox>(parent, 186, y + 4, 80, 20);
    for (const char* key : {"png", "jpg", "bmp"}) {
        QString title = loc(key);
        title.remove('"');
        if (!title.isEmpty())
            c.stylePop->addItem(title, QString::fromLatin1(key));
    }
    c.stylePop->hide();
    QObject::connect(c.stylePop, &QComboBox::activated, window, a.styleChosen);

    c.volume = make<ZylButton>(parent, 0, y + 2, kVolumeButtonWidth, 24);
    setMutedLook(c.volume, false);
    // Mute works at once: it only changes what the preview plays.
    c.volume->mouseDownAction = [mute = a.mute](ZylButton*) { mute(); };
    c.volumeSlider = new LxProgressSlider(NSMakeRect(0, y + 6, kVolumeSliderWidth, 16), parent);
    c.volumeSlider->setDelegate(volumeDelegate);
    c.volumeSlider->setProgress(0.5f);
    placeVolume(c, false);
}

void placeVolume(const Controls& c, bool popShown) {
    // Worked out from the strip's leading edge, so that it reads the same way mirrored.
    QWidget* strip = c.volume->parentWidget();
    const QRect anchor =
        geometry::leading(popShown ? c.stylePop->geometry() : c.snapshotStyle->geometry(), strip);
    const QRect volume(anchor.right() + 1 + (popShown ? 2 : 4), c.volume->y(), c.volume->width(),
                       c.volume->height());
    geometry::setLeadingGeometry(c.volume, volume);
    geometry::setLeadingGeometry(c.volumeSlider, QRect(volume.right() + 1 + 4, c.volumeSlider->y(),
                                                       c.volumeSlider->width(), c.volumeSlider->height()));
}

void setMutedLook(ZylButton* volume, bool muted) {
    toolstyle::setButtonImages(volume,
                               muted ? toolstyle::closeVolumePictures() : toolstyle::openVolumePictures());
}

void toggleStylePop(const Controls& c) {
    c.stylePop->setVisible(c.stylePop->isHidden());
    placeVolume(c, !c.stylePop->isHidden());
}

void chooseStyle(const Controls& c, int index, QString& style) {
    if (index < 0 || index >= c.stylePop->count())
        return;
    style = c.stylePop->itemData(index).toString();
    c.stylePop->hide();
    placeVolume(c, false);
    c.stylePop->setCurrentIndex(index);
}

} // namespace clipstrip
