#include "foundation/controls/LxTitleButton.h"

#include "foundation/helpers/HelpClass.h"

#include <QMouseEvent>
#include <QPainter>

LxTitleButton::LxTitleButton(QWidget* parent) : QAbstractButton(parent) {}

LxTitleButton::~LxTitleButton() = default;

void LxTitleButton::setAttributedStringTitle(const AttributedString& title) {
    m_attributedStringTitle = title;
    update();
}

void LxTitleButton::drawAttributedString(QPainter& painter, const QRectF& rect,
                                         const AttributedString& text) {
    if (text.isEmpty())
        return;
    painter.save();
    const int flags = int(text.alignment) | Qt::AlignVCenter | Qt::TextWordWrap;
    painter.setFont(text.font);
    if (text.hasShadow && text.shadowColor.isValid()) {
        painter.setPen(text.shadowColor);
        // The offset is given y upward.
        painter.drawText(rect.translated(text.shadowOffset.x(), -text.shadowOffset.y()), flags, text.text);
    }
    painter.setPen(text.color);
    painter.drawText(rect, flags, text.text);
    painter.restore();
}

void LxTitleButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF bounds(rect());
    drawAttributedString(p, bounds, m_attributedStringTitle);
    if (text().isEmpty())
        return;
    if (m_backgroundColor.isValid())
        p.fillRect(rect(), m_backgroundColor);
    p.setFont(m_titleFont ? *m_titleFont : HelpClass::fontWithName(QStringLiteral("Verdana"), 12));
    p.setPen(m_titleColor.isValid() ? m_titleColor : QColor(Qt::black));
    p.drawText(bounds, Qt::AlignCenter | Qt::TextWordWrap, text());
}

void LxTitleButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (auto* d = delegate())
        d->actionMouseDownForTitleButtonBlock(this);
}

void LxTitleButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (auto* d = delegate())
        d->actionMouseUpForTitleButtonBlock(this);
}
