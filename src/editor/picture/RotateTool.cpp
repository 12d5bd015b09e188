#include "editor/picture/RotateTool.h"

#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
#include "editor/picture/PictureWidgets.h"
#include "foundation/controls/FontFit.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/ToolWindow.h"

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

RotateTool::RotateTool(EditorHost& host, ZylImageView* panel) : QObject(panel), EditorTool(host) {
    buildPanel(panel);
}

void RotateTool::setEditable(bool editable) {
    for (ZylButton* b : {leftBtn_, rightBtn_, hMirrorBtn_, vMirrorBtn_, rotateResetBtn_})
        b->setEnabled(editable);
}

void RotateTool::buildPanel(ZylImageView* panel) {
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

    leftBtn_->mouseDownAction = host().toolWindow().afterClick([this] { rotateAction(false); });
    rightBtn_->mouseDownAction = host().toolWindow().afterClick([this] { rotateAction(true); });
    hMirrorBtn_->mouseDownAction = host().toolWindow().afterClick([this] { mirrorAction(true); });
    vMirrorBtn_->mouseDownAction = host().toolWindow().afterClick([this] { mirrorAction(false); });
    rotateResetBtn_->mouseDownAction = host().toolWindow().afterClick([this] { rotateResetAction(); });
}

void RotateTool::rotateAction(bool right) {
    if (!host().session().file().isOpen())
        return;
    (right ? rightBtn_ : leftBtn_)->setSelected(false);
    host().turnPicture(right ? picture::Turn::Right : picture::Turn::Left);
}

void RotateTool::mirrorAction(bool horizontal) {
    if (!host().session().file().isOpen())
        return;
    (horizontal ? hMirrorBtn_ : vMirrorBtn_)->setSelected(false);
    host().turnPicture(horizontal ? picture::Turn::MirrorHorizontal : picture::Turn::MirrorVertical);
}

void RotateTool::rotateResetAction() {
    if (!host().session().file().isOpen())
        return;
    hMirrorBtn_->setSelected(false);
    host().undoTurns();
}
