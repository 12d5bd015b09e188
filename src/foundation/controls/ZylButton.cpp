#include "foundation/controls/ZylButton.h"

#include "foundation/controls/ControlMath.h"
#include "platform/Log.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleOptionButton>

namespace {
const QColor kDisabledTitle(173, 173, 173);
const int kTitleFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
// Space between a picture and the title beside it.
const double kImageGap = 4;
// A left icon drawn into the background picture sits inside a margin about half its width on
// either side: the title starts no nearer than twice the icon's width.
const double kIconClearance = 2;
} // namespace

ZylButton::ZylButton(QWidget* parent) : QAbstractButton(parent) {
    // Hover looks need enter and leave, and moves while pressed.
    setAttribute(Qt::WA_Hover);
}

ZylButton::ZylButton(const NSRect& frame, QWidget* parent) : ZylButton(parent) {
    geometry::setFrame(this, frame);
}

ZylButton::~ZylButton() = default;

void ZylButton::setContentTitle(const QString& title) {
    m_contentTitle = title;
    setText(QString()); // the base title stays empty: the button draws its own
    refreshTitleTip();
    update();
}

double ZylButton::titleRoom() const {
    const NamedImage& image = currentImage();
    if (!image.isNil() && m_contentImagePosition != 0)
        return std::max(0.0, width() - image.width() - kImageGap);
    if (m_leftIconWidth > 0 && image.isNil())
        return std::max(0.0, width() - m_leftIconWidth * kIconClearance - kImageGap);
    return std::max(0.0, width() - m_titleEndInset);
}

QString ZylButton::shownTitle() const {
    if (m_contentTitle.isEmpty())
        return m_contentTitle;
    const QFontMetricsF fm(font());
    const double room = titleRoom();
    if (fm.horizontalAdvance(m_contentTitle) <= room)
        return m_contentTitle;
    // Too long for one line: wrapped lines when they fit the height, else cut short with an ellipsis.
    const QRectF wrapped = fm.boundingRect(QRectF(0, 0, room, height()), kTitleFlags, m_contentTitle);
    if (wrapped.width() <= room && wrapped.height() <= height())
        return m_contentTitle;
    return fm.elidedText(m_contentTitle, Qt::ElideRight, room);
}

void ZylButton::refreshTitleTip() {
    // A shortened title shows in full as the tooltip; a tooltip the owner set is left alone.
    const bool cut = shownTitle() != m_contentTitle;
    if (!m_titleTip && !toolTip().isEmpty())
        return;
    if (cut) {
        setToolTip(m_contentTitle);
        m_titleTip = true;
    } else if (m_titleTip) {
        setToolTip(QString());
        m_titleTip = false;
    }
}

void ZylButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    refreshTitleTip();
}

void ZylButton::setIsCheckType(bool c) {
    m_isCheckType = c;
    setCheckable(c);
}

void ZylButton::setSelected(bool s) {
    m_selected = s;
    update();
}

ZylButton::Look ZylButton::look() const {
    if (!isEnabled())
        return Look::Disabled;
    if (m_isUp)
        return m_isDown ? Look::HoverDown : Look::Hover;
    if (m_selected)
        return Look::Selected;
    return m_isDown ? Look::Down : Look::Normal;
}

const NamedImage& ZylButton::currentImage() const {
    const NamedImage* chosen = nullptr;
    switch (look()) {
    case Look::Disabled:
        chosen = &m_disAbleImage;
        break;
    case Look::HoverDown:
    case Look::Down:
        chosen = &m_downImage;
        break;
    case Look::Hover:
        chosen = &m_onImage;
        break;
    case Look::Selected:
        chosen = &m_selectedImage;
        break;
    case Look::Normal:
        chosen = &m_normalImage;
        break;
    }
    if (chosen->isNil())
        chosen = m_selected ? &m_selectedImage : &m_normalImage;
    if (chosen->isNil())
        chosen = &m_normalImage;
    return *chosen;
}

const NamedImage& ZylButton::currentBackgroundImage() const {
    switch (look()) {
    case Look::Disabled:
        return m_disAbleBackgroundImage;
    case Look::HoverDown:
    case Look::Down:
        return m_downBackgroundImage;
    case Look::Hover:
        return m_onBackgroundImage;
    case Look::Selected:
        return m_selectedBackgroundImage;
    case Look::Normal:
        break;
    }
    return m_normalBackgroundImage;
}

void ZylButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    paintBackground(p);

    const NamedImage& image = currentImage();
    const double iw = image.width(), ih = image.height();
    const double gap = !image.isNil() && !m_contentTitle.isEmpty() ? kImageGap : 0;
    const double tw = m_contentTitle.isEmpty() ? 0 : paintTitle(p, image, gap);

    if (!image.isNil()) {
        const double W = width(), H = height();
        double x = (W - (tw + iw + gap)) / 2;
        if (m_contentImagePosition == 1)
            x = 0;
        else if (m_contentImagePosition == 2)
            x = W - iw;
        p.drawImage(QRectF(x, (H - ih) / 2, iw, ih), image.image());
    }
    paintBorder(p);
}

void ZylButton::paintBackground(QPainter& p) {
    if (m_bordered) {
        QStyleOptionButton opt;
        opt.initFrom(this);
        if (m_isDown)
            opt.state |= QStyle::State_Sunken;
        style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
    }
    // Rounded corners clip everything; the border needs them.
    if (m_cornerRadius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        p.setClipPath(clip);
    }

    const NamedImage& background = currentBackgroundImage();
    if (!background.isNil()) {
        p.drawImage(QRectF(rect()), background.image());
    } else {
        const QColor fill = isEnabled() ? m_backGroundColor : m_disAblebackGroundColor;
        if (fill.isValid())
            p.fillRect(rect(), fill);
    }
}

double ZylButton::paintTitle(QPainter& p, const NamedImage& image, double gap) {
    const double W = width(), H = height();
    const double iw = image.width();
    const QFontMetricsF fm(font());
    const QString shown = shownTitle();
    const QRectF bounding = fm.boundingRect(QRectF(0, 0, titleRoom(), H), kTitleFlags, shown);
    const double tw = bounding.width();
    const double th = bounding.height();
    double x = std::max(0.0, bounding.x());
    const double y = (H - th) / 2;
    const double lw = m_leftIconWidth;
    if (!image.isNil() || lw != 0) {
        const double group = tw + iw + gap + (lw > 0 ? lw : 0);
        if (m_contentImagePosition == 1)
            x = iw + gap;
        else if (m_contentImagePosition == 2)
            x = (W - group) / 2;
        else
            x = iw + gap + (W - group) / 2 + lw;
        // A long title moves right, clear of the background's icon, as far as the button allows.
        if (lw > 0 && image.isNil())
            x = std::max(x, std::min(lw * kIconClearance, W - tw - kImageGap));
    } else if (!m_titlePosition) {
        x = (W - m_titleEndInset - tw) / 2;
    } else {
        if (m_titlePosition->left() != 0)
            x += m_titlePosition->left();
        if (m_titlePosition->right() != 0)
            x += W - tw - m_titlePosition->right();
    }
    const QColor colour =
        isEnabled() ? (m_contentColor.isValid() ? m_contentColor : QColor(Qt::white)) : kDisabledTitle;
    p.setFont(font());
    p.setPen(colour);
    const QRectF titleRect(x, y, tw, th);
    p.drawText(titleRect, kTitleFlags, shown);
    if (m_underLine)
        p.drawLine(QPointF(x, y + th), QPointF(x + tw, y + th));
    return tw;
}

void ZylButton::paintBorder(QPainter& p) {
    if (m_cornerRadius > 0 && m_bordColor.isValid() && m_borderWidth > 0) {
        p.setClipping(false);
        p.setPen(QPen(m_bordColor, m_borderWidth));
        p.setBrush(Qt::NoBrush);
        const double inset = m_borderWidth / 2;
        p.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), m_cornerRadius,
                          m_cornerRadius);
    }
}

void ZylButton::run(const Callback& callback, ZylButton* button) {
    // A copy: the callback may replace itself or the button's other callbacks.
    if (Callback copy = callback)
        copy(button);
}

void ZylButton::mousePressEvent(QMouseEvent* event) {
    if (m_isCheckType)
        return QAbstractButton::mousePressEvent(event);
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_isDown = true;
    update();
}

void ZylButton::mouseMoveEvent(QMouseEvent* event) {
    if (m_isCheckType)
        return QAbstractButton::mouseMoveEvent(event);
    event->accept();
    if (!m_isDown)
        return;
    // Qt holds enter and leave back while a button is held; follow the pointer here so the
    // look is right and a release outside is recognised.
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !m_isUp)
        pointerEntered();
    else if (!inside && m_isUp)
        pointerExited();
}

void ZylButton::mouseReleaseEvent(QMouseEvent* event) {
    if (m_isCheckType)
        return QAbstractButton::mouseReleaseEvent(event);
    event->accept();
    if (event->button() != Qt::LeftButton || !m_isDown)
        return;
    m_isDown = false;
    update();
    // A press that ends outside the button does nothing.
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && isEnabled())
        run(mouseDownAction, this);
}

void ZylButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (!m_isUp)
        pointerEntered();
}

void ZylButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    if (m_isUp)
        pointerExited();
}

void ZylButton::pointerEntered() {
    m_isUp = true;
    QPointer<ZylButton> alive(this);
    if (isEnabled())
        run(mouseEntered, this);
    if (!alive)
        return;
    if (m_underLine)
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
    update();
}

void ZylButton::pointerExited() {
    m_isUp = false;
    QPointer<ZylButton> alive(this);
    if (isEnabled())
        run(mouseExited, this);
    if (!alive)
        return;
    unsetCursor();
    update();
}

void ZylButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        refreshTitleTip();
    if (event->type() != QEvent::EnabledChange)
        return;
    // A button disabled while pressed gets no release: forget the press.
    if (!isEnabled())
        m_isDown = false;
    update();
}
