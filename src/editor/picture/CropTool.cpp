#include "editor/picture/CropTool.h"

#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
#include "editor/picture/PictureWidgets.h"
#include "foundation/controls/FontFit.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "tools/shared/Loc.h"
#include "tools/shared/ToolWindow.h"

#include <QIntValidator>
#include <QLabel>
#include <algorithm>
#include <cmath>

namespace {

using geometry::setFrame;

// The panels' tool title takes their top 30 points; the controls start below it.
constexpr double kTitleBand = 30;

LxTextField* cropField(QWidget* panel, const NSRect& frame) {
    auto* background = new ZylImageView(frame, panel);
    background->setBackGroundImage(NamedImage("Resources/trim_textfield.png"));
    auto* f = new LxTextField(NSMakeRect(0, 0, frame.width, frame.height), background);
    f->setText(QStringLiteral("0"));
    f->setAlignment(Qt::AlignCenter);
    f->setFrame(false);
    f->setStyleSheet(QStringLiteral("background: transparent; color: black;"));
    controls::setPixelFont(f, 13);
    // No stepper drives these fields: a click takes the keyboard, and only whole numbers
    // are typed (their limits are the picture's, applied when editing ends).
    f->setFocusPolicy(Qt::StrongFocus);
    f->setValidator(new QIntValidator(-99999, 99999, f));
    f->setEnabled(false);
    return f;
}

QString sizeText(double v) {
    return QString::asprintf("%02.f", v);
}

} // namespace

CropTool::CropTool(EditorHost& host, ZylImageView* panel) : QObject(panel), EditorTool(host) {
    buildPanel(panel);
}

CropTool::~CropTool() {
    if (cliper_)
        cliper_->setDelegate(nullptr);
}

QSizeF CropTool::videoSize() const {
    const auto& file = host().session().file();
    if (!file.isOpen())
        return {};
    return EditState::getVideoSizeForTrack(*file.fileData, host().session().state().playerRotateAngle());
}

void CropTool::setEditable(bool editable) {
    for (LxTextField* f : {cropWidthField_, cropHeightField_, cropTopField_, cropLeftField_})
        f->setEnabled(editable);
    for (ZylButton* b : {keepAspectBtn_, cropResetBtn_})
        b->setEnabled(editable);
}

void CropTool::fileOpened() {
    initPlayerCliper();
}

void CropTool::setShown(bool shown) {
    shown_ = shown;
    placeCropView();
}

void CropTool::pictureTurned(picture::Turn, QSizeF) {
    placeCropView();
    showCropFields();
}

// ---- Crop panel ----

void CropTool::buildPanel(ZylImageView* panel) {
    using picturewidgets::label;
    const double PW = panel->width(), T = panel->height() - kTitleBand;
    label(panel, {5, T - 50, PW - 10, 20}, loc("original_ratioLabel_string"));
    originalSizeLabel_ = label(panel, {0, T - 70, PW, 20}, QString::asprintf("%.f x %.f", 0.0, 0.0));
    originalSizeLabel_->setAlignment(Qt::AlignCenter);
    label(panel, {5, T - 93, PW - 10, 20}, loc("crop_Area_SizeLabel_string"));
    const double fieldW = (PW - 90) / 2;
    cropWidthField_ = cropField(panel, {30, T - 122, fieldW, 20});
    const double heightX = PW / 2 + 15;
    label(panel, {heightX - 30, T - 122, 30, 20}, QStringLiteral("x"))->setAlignment(Qt::AlignCenter);
    cropHeightField_ = cropField(panel, {heightX, T - 122, fieldW, 20});

    keepAspectBtn_ = new ZylButton(NSMakeRect(5, T - 150, PW - 10, 23), panel);
    keepAspectBtn_->setContentTitle(QStringLiteral("  ") + loc("KeepAspectRatiostring"));
    keepAspectBtn_->setContentColor(Qt::black);
    keepAspectBtn_->setContentImagePosition(1);
    keepAspectBtn_->setNormalImage(NamedImage("Resources/checkNoFiles.png"));
    keepAspectBtn_->setSelectedImage(NamedImage("Resources/checkFiles.png"));
    keepAspectBtn_->setBordered(false);
    keepAspectBtn_->setBorderWidth(0);
    controls::fitButtonFont(keepAspectBtn_, 13, 9);
    keepAspectBtn_->setEnabled(false);

    auto* separator = new ZylImageView(NSMakeRect(5, T - 171, PW - 10, 1), panel);
    separator->setBackGroundImage(NamedImage("Resources/blankBkg.bmp"));
    label(panel, {5, T - 206, PW - 10, 20}, loc("positionLabelstringValue"));
    label(panel, {20, T - 226, 80, 20}, loc("topLabelstringValue"));
    label(panel, {20, T - 251, 80, 20}, loc("leftMarginLabelstringValue"));
    cropTopField_ = cropField(panel, {100, T - 226, 80, 20});
    cropLeftField_ = cropField(panel, {100, T - 251, 80, 20});
    cropResetBtn_ = picturewidgets::resetButton(panel, {(PW - 80) / 2, 5, 80, 30});

    for (LxTextField* f : {cropWidthField_, cropHeightField_, cropTopField_, cropLeftField_})
        connect(f, &QLineEdit::editingFinished, this, [this, f] { cropFieldEdited(f); });
    keepAspectBtn_->mouseDownAction = host().toolWindow().afterClick([this] { keepAspectAction(); });
    cropResetBtn_->mouseDownAction = host().toolWindow().afterClick([this] { cropResetAction(); });
}

// A new crop view over the whole picture, in free mode, for a newly opened file.
void CropTool::initPlayerCliper() {
    if (!host().session().file().isOpen())
        return;
    if (cliper_) {
        cliper_->setParent(nullptr);
        delete cliper_.data();
    }
    const NSRect fit = host().pictureRect();
    qCDebug(lcEditor) << "videoRect:" << fit.x << fit.y << fit.width << fit.height;
    cliper_ = new LxUICliper(fit, host().pictureView());
    cliper_->setVideoSize(videoSize());
    cliper_->setDelegate(this);
    cliper_->setCropType(0);
    keepAspectBtn_->setSelected(false);
    placeCropView();
    showCropFields();
}

CGRect CropTool::cropInView() const {
    const QSizeF v = videoSize();
    const NSRect& clip = host().session().state().editVideoClipRect();
    if (!cliper_ || v.isEmpty())
        return {};
    const double cw = cliper_->width(), ch = cliper_->height();
    if (clip.isEmpty())
        return {0, 0, cw, ch};
    return {clip.x / v.width() * cw, clip.y / v.height() * ch, clip.width / v.width() * cw,
            clip.height / v.height() * ch};
}

// The crop view follows the picture's rectangle; the crop itself stays in picture pixels.
void CropTool::placeCropView() {
    if (!cliper_)
        return;
    const bool shown = shown_ && host().session().file().isOpen();
    if (cliper_->parentWidget() != host().pictureView())
        cliper_->setParent(host().pictureView());
    cliper_->setFrameRect(host().pictureRect());
    cliper_->setVideoSize(videoSize());
    cliper_->setClipRect(cropInView());
    cliper_->setVisible(shown);
    if (shown)
        cliper_->raise();
}

void CropTool::pictureMoved() {
    placeCropView();
    const QSizeF v = videoSize();
    originalSizeLabel_->setText(QString::asprintf("%.f x %.f", v.width(), v.height()));
}

// Stores a crop rectangle in picture pixels, kept inside the picture, and its even margins.
void CropTool::storeCrop(const NSRect& pixels) {
    host().session().state().setCrop(pixels, videoSize());
}

void CropTool::showCropFields() {
    const QSizeF v = videoSize();
    const NSRect& clip = host().session().state().editVideoClipRect();
    const NSRect c = clip.isEmpty() ? NSRect{0, 0, v.width(), v.height()} : clip;
    cropWidthField_->setText(sizeText(c.width));
    cropHeightField_->setText(sizeText(c.height));
    cropLeftField_->setText(QString::number(int(c.x)));
    cropTopField_->setText(QString::number(int(v.height() - c.height - c.y)));
}

void CropTool::actionMovedForLxUICliperBlock(LxUICliper* cliper, const CGRect& r) {
    if (cliper != cliper_ || cliper->width() <= 0 || cliper->height() <= 0)
        return;
    const QSizeF v = videoSize();
    const double fw = cliper->width(), fh = cliper->height();
    const NSRect px{float(r.x / fw) * v.width(), float(r.y / fh) * v.height(),
                    float(r.width / fw) * v.width(), float(r.height / fh) * v.height()};
    storeCrop(px);
    showCropFields();
}

// A typed size or offset, kept inside the picture: a size is at most the picture's and at
// least what the crop view can show; an offset moves the rectangle but never past an edge.
void CropTool::cropFieldEdited(LxTextField* field) {
    const QSizeF v = videoSize();
    if (v.isEmpty() || !cliper_)
        return;
    const NSRect& stored = host().session().state().editVideoClipRect();
    NSRect c = stored.isEmpty() ? NSRect{0, 0, v.width(), v.height()} : stored;
    const double value = field->text().trimmed().toDouble();
    const double minSide =
        cliper_->width() > 0 ? std::ceil(LxUICliper::kMinSide * v.width() / cliper_->width()) : 2;
    if (field == cropWidthField_) {
        c.width = std::clamp(value, std::min(minSide, v.width()), v.width());
    } else if (field == cropHeightField_) {
        c.height = std::clamp(value, std::min(minSide, v.height()), v.height());
    } else if (field == cropLeftField_) {
        c.x = value;
    } else if (field == cropTopField_) {
        c.y = v.height() - c.height - value;
    }
    storeCrop(c);
    placeCropView();
    showCropFields();
}

void CropTool::resetCropToWholePicture() {
    host().session().state().clearCrop();
    placeCropView();
    showCropFields();
}

void CropTool::keepAspectAction() {
    if (!cliper_)
        return;
    const bool on = !keepAspectBtn_->selected();
    keepAspectBtn_->setSelected(on);
    if (!on) {
        cliper_->setCropType(1);
    } else if (cliper_->cropType() == 2) {
        cliper_->setCropType(2);
    } else {
        // Keeping the picture's proportions starts again from the whole picture.
        resetCropToWholePicture();
        cliper_->setCropType(2);
    }
}

// Back to the picture as the file shows it: no turn, no mirrors, no crop. Overlays are
// carried back with the picture.
void CropTool::cropResetAction() {
    if (!host().session().file().isOpen())
        return;
    cropResetBtn_->setSelected(false);
    host().undoTurns();
    resetCropToWholePicture();
}
