#include "foundation/controls/LxCustomButton.h"

#include "foundation/helpers/HelpClass.h"
#include "platform/Log.h"

#include <QMouseEvent>
#include <QPointer>

namespace {

const QColor kDefaultNormalTitle = QColor::fromRgbF(0.828f, 0.828f, 0.828f);
const QColor kDefaultSelectedTitle = QColor::fromRgbF(0.404f, 0.756f, 1.0f);

} // namespace

LxCustomButton::LxCustomButton(QWidget* parent) : QWidget(parent) {
    build();
}

LxCustomButton::LxCustomButton(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    geometry::setFrame(this, frame);
    build();
}

LxCustomButton::~LxCustomButton() {
    qCDebug(lcControls, "%s", "LxCustomButton::~LxCustomButton");
}

void LxCustomButton::build() {
    const double w = width(), h = height();
    m_backView = new NSImageView(this);
    m_backView->setImageScaling(NSImageView::Scaling::AxesIndependently);
    m_backView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_backView->setFrame({0, 0, w, h});
    m_imageView = new NSImageView(this);
    m_imageView->setImageScaling(NSImageView::Scaling::ProportionallyDown);
    m_imageView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_imageView->setFrame({0, 15, w, h - 15});
    m_titleButton = new LxTitleButton(this);
    m_titleButton->setDelegate(this);
    geometry::setFrame(m_titleButton, {-2, 0, w + 4, h});
}

void LxCustomButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The parts are laid out from the button's size, as when it was made; a title frame or
    // text position the owner chose is kept.
    const double w = width(), h = height();
    m_backView->setFrame({0, 0, w, h});
    if (m_titleRect)
        geometry::setFrame(m_titleButton, *m_titleRect);
    else
        geometry::setFrame(m_titleButton, {-2, 0, w + 4, h});
    if (m_cellTextPositionSet)
        setCellTextPosition(m_cellTextPosition);
    else
        m_imageView->setFrame({0, 15, w, h - 15});
}

void LxCustomButton::setTitleRect(const NSRect& rect) {
    m_titleRect = rect;
    geometry::setFrame(m_titleButton, rect);
}

void LxCustomButton::setSelected(bool selected) {
    m_selected = selected;
    if (m_title.isEmpty())
        m_title = QStringLiteral("  ");
    QColor* colour = nullptr;
    if (!isEnabled()) {
        m_backView->setImage(m_disableBackImage);
        m_imageView->setImage(m_disableImage);
        colour = &m_disableTitleColor;
    } else if (selected) {
        m_backView->setImage(m_selectedBackImage);
        m_imageView->setImage(m_selectedImage);
        colour = &m_selectedTitleColor;
    } else {
        m_backView->setImage(m_normalBackImage);
        m_imageView->setImage(m_normalImage);
        colour = &m_normalTitleColor;
    }
    // A colour left unset takes its default now and keeps it.
    if (!colour->isValid())
        *colour = (colour == &m_normalTitleColor) ? kDefaultNormalTitle : kDefaultSelectedTitle;
    setTitle(m_title, *colour, 2);
}

void LxCustomButton::setTitle(const QString& title, const QColor& color, int textAlignment) {
    m_titleButton->setAttributedStringTitle(HelpClass::retButtonTitle(
        title, color, m_fontname, m_fontsize < 1 ? 12 : m_fontsize, false, textAlignment));
}

void LxCustomButton::setCellTextPosition(unsigned position) {
    m_cellTextPosition = position;
    m_cellTextPositionSet = true;
    const double w = width(), h = height();
    NSRect image, title;
    switch (position) {
    case 0: // a square at the right end, the title left of it
        image = {w - h, 0, h, h};
        title = {0, 0, w - h, h};
        break;
    case 1: // a square at the left end, the title right of it
        image = {0, 0, h, h};
        title = {h, 0, w - h, h};
        break;
    case 2: // the title above the picture
        image = {0, 0, w, h - 15};
        title = {0, h - 15, w, 18};
        break;
    case 3: // the title below the picture
        image = {0, 18, w, h - 15};
        title = {0, 4, w, 18};
        break;
    case 4: // the picture covers the button; the title stays where it is
        m_imageView->setFrame({0, 0, w, h});
        return;
    default:
        return;
    }
    m_imageView->setFrame(image);
    if (m_titleLab)
        setTitleRect(title);
}

void LxCustomButton::pressed() {
    if (!isEnabled())
        return;
    // A named pressed picture counts even while its file is missing, so that when the
    // button fires never depends on the pictures installed.
    if (hasPressedPicture())
        m_backView->setImage(m_hightideBackImage);
    else
        fire();
}

void LxCustomButton::released() {
    if (!isEnabled())
        return;
    if (hasPressedPicture())
        fire();
}

bool LxCustomButton::hasPressedPicture() const {
    return !m_hightideBackImage.isNil() || !m_hightideBackImage.name().isEmpty();
}

void LxCustomButton::fire() {
    if (!isEnabled())
        return;
    if (auto* d = delegate())
        d->actionMouseUpForCustomButtonBlock(this);
}

void LxCustomButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        pressed();
}

void LxCustomButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        released();
}

void LxCustomButton::actionMouseDownForTitleButtonBlock(LxTitleButton*) {
    pressed();
}

void LxCustomButton::actionMouseUpForTitleButtonBlock(LxTitleButton*) {
    released();
}
