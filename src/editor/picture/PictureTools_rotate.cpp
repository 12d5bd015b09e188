// The rotate tool: quarter turns, the two mirrors as the user sees them, and reset. Each step
// carries the crop, the open file's watermark and the subtitle along with the picture.
#include "editor/picture/PictureTools.h"
#include "foundation/controls/FontFit.h"

#include "editor/core/EditVideoWindowController.h"
#include "editor/picture/PictureWidgets.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "tools/shared/Loc.h"

#include <QLabel>

namespace {

constexpr double kTitleBand = 30;
const QColor kButtonColour(90, 216, 238);
const QColor kButtonDisabled(167, 166, 166);

ZylButton* turnButton(QWidget* strip, double x, const char* picture) {
    auto* b = new ZylButton(NSMakeRect(x, 0, 48, 42), strip);
    const NamedImage image{QString::fromUtf8(picture)};
    b->setNormalImage(image);
    b->setOnImage(image);
    b->setDownImage(image);
    b->setDisAbleImage(image);
    b->setBackGroundColor(kButtonColour);
    b->setDisAblebackGroundColor(kButtonDisabled);
    b->setBordered(false);
    b->setBorderWidth(0);
    b->setEnabled(false);
    return b;
}

} // namespace

void PictureTools::initAdjustView(ZylImageView* panel) {
    const double PW = panel->width(), T = panel->height() - kTitleBand;
    auto* strip = new ZylImageView(NSMakeRect(0, T - 60, PW, 50), panel);
    const double gap = float((PW - 192) / 5);
    leftBtn_ = turnButton(strip, gap, "SubFun/旋转-左.png");
    rightBtn_ = turnButton(strip, 2 * gap + 48, "SubFun/旋转-右.png");
    hMirrorBtn_ = turnButton(strip, 3 * gap + 96, "SubFun/左右翻转.png");
    vMirrorBtn_ = turnButton(strip, 4 * gap + 144, "SubFun/上下翻转.png");

    auto* box = new ZylImageView(NSMakeRect(10, T - 190, PW - 20, 110), panel);
    box->setBackGroundColor(QColor(185, 185, 185));
    QLabel* text = picturewidgets::label(box, {6, 4, PW - 32, 102}, loc("descripationLabelstringValue"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A long translation gets a smaller size until it fits the box.
    for (int px = 13; px >= 9; --px) {
        controls::setPixelFont(text, px);
        if (text->heightForWidth(text->width()) <= text->height())
            break;
    }
    rotateResetBtn_ = picturewidgets::resetButton(panel, {(PW - 80) / 2, 15, 80, 30});

    leftBtn_->mouseDownAction = window_.afterClick([this] { rotateAction(false); });
    rightBtn_->mouseDownAction = window_.afterClick([this] { rotateAction(true); });
    hMirrorBtn_->mouseDownAction = window_.afterClick([this] { mirrorAction(true); });
    vMirrorBtn_->mouseDownAction = window_.afterClick([this] { mirrorAction(false); });
    rotateResetBtn_->mouseDownAction = window_.afterClick([this] { rotateResetAction(); });
}

// Moves everything placed on the picture along with one turn or mirror of it. Call it before
// the rotation or mirror state changes: the picture's size is read as it was.
void PictureTools::turnEverything(picture::Turn turn) {
    EditState& s = window_.session().state();
    const QSizeF before = videoSize();
    if (before.isEmpty())
        return;
    const QSizeF after = picture::turnedSize(before, turn);
    if (!s.editVideoClipRect.isEmpty()) {
        s.editVideoClipRect = picture::turnRect(s.editVideoClipRect, before, turn);
        s.convertCropSize = picture::cropMargins(s.editVideoClipRect, after);
    }
    if (const auto& record = window_.session().file().fileData; record && record->waterParam)
        picture::turnWatermark(*record->waterParam, before, turn);
    picture::turnSubtitle(*s.subtitleParam, before, turn);
    if (LxMoviePlayer* p = player(); p && !s.subtitleParam->subtitlePath.isEmpty())
        p->UpdateSubtitlePos(s.subtitleParam->positon);
    if (onPictureTurned)
        onPictureTurned(turn, before);
}

void PictureTools::rotateAction(bool right) {
    if (!window_.session().file().isOpen())
        return;
    (right ? rightBtn_ : leftBtn_)->setSelected(false);
    EditState& s = window_.session().state();
    const int angle = picture::stepRotation(s.playerRotateAngle, right);
    if (angle != s.playerRotateAngle) {
        turnEverything(right ? picture::Turn::Right : picture::Turn::Left);
        s.playerRotateAngle = angle;
    }
    if (LxMoviePlayer* p = player())
        p->SetRotateAngle(s.playerRotateAngle);
    window_.changesize();
    showCropFields();
    refreshIfPaused();
}

void PictureTools::mirrorAction(bool horizontal) {
    if (!window_.session().file().isOpen())
        return;
    (horizontal ? hMirrorBtn_ : vMirrorBtn_)->setSelected(false);
    EditState& s = window_.session().state();
    turnEverything(horizontal ? picture::Turn::MirrorHorizontal : picture::Turn::MirrorVertical);
    picture::toggleMirror(s.playerRotateAngle, horizontal, s.hFlip, s.vFlip);
    if (LxMoviePlayer* p = player()) {
        p->SetHFlip(s.hFlip);
        p->SetVFlip(s.vFlip);
    }
    placeCropView();
    showCropFields();
    refreshIfPaused();
}

// Turns the picture back to the file's own orientation step by step, so that the crop and
// the overlays come back with it: first the quarter turns, then the mirrors.
void PictureTools::undoTurns() {
    EditState& s = window_.session().state();
    for (int i = 0; i < 4 && s.playerRotateAngle % 360 != 0; ++i) {
        const int angle = picture::stepRotation(s.playerRotateAngle, false);
        if (angle == s.playerRotateAngle)
            break;
        turnEverything(picture::Turn::Left);
        s.playerRotateAngle = angle;
    }
    s.playerRotateAngle = 0;
    if (s.hFlip) {
        turnEverything(picture::Turn::MirrorHorizontal);
        s.hFlip = 0;
    }
    if (s.vFlip) {
        turnEverything(picture::Turn::MirrorVertical);
        s.vFlip = 0;
    }
}

void PictureTools::rotateResetAction() {
    if (!window_.session().file().isOpen())
        return;
    hMirrorBtn_->setSelected(false);
    undoTurns();
    if (LxMoviePlayer* p = player()) {
        p->SetVFlip(0);
        p->SetHFlip(0);
        p->SetRotateAngle(0);
    }
    window_.changesize();
    showCropFields();
    refreshIfPaused();
}
