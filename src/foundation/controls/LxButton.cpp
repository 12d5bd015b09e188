#include "foundation/controls/LxButton.h"

#include "foundation/controls/LabelColour.h"
#include "foundation/helpers/HelpClass.h"
#include "platform/Log.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

LxButton::LxButton(QWidget* parent) : LxButton(NSRect{0, 0, 100, 30}, parent) {}

LxButton::LxButton(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    geometry::setFrame(this, frame);
    const double w = width(), h = height();
    m_title = QStringLiteral("title");
    m_backgroundView = new NSImageView(this);
    m_backgroundView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_backgroundView->setFrame({0, 0, w, h});
    m_backImage = NamedImage("Resources/edit_cancel_normal.png");
    m_heightBackImage = NamedImage("Resources/edit_cancel_alternate.png");
    m_backgroundView->setImage(m_backImage);
    m_titleLabel = new QLabel(m_title, this);
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setFont(HelpClass::fontWithName(QString(), 12));
    geometry::setFrame(m_titleLabel, {0, -5, w, 30});
    m_normalColor = m_heightedColor = Qt::white;
    m_selectedColor = QColor(255, 81, 0);
    setSelected(false);
}

LxButton::~LxButton() {
    qCDebug(lcControls, "%s", "LxButton::~LxButton");
}

void LxButton::applyTextColour() {
    QColor c = !isEnabled() ? m_disabledColor : (m_selected ? m_selectedColor : m_normalColor);
    controls::setLabelColour(m_titleLabel, c);
}

void LxButton::setTitle(const QString& title) {
    m_title = title;
    m_titleLabel->setText(title);
    applyTextColour();
}

void LxButton::setTitleFont(const QFont& font) {
    m_titleLabel->setFont(font);
}

void LxButton::setBackImage(const NamedImage& i) {
    m_backImage = i;
    m_backgroundView->setImage(i);
}

void LxButton::setHeightBackImage(const NamedImage& i) {
    m_heightBackImage = i;
    m_backgroundView->setImage(i);
}

void LxButton::setNormalColor(const QColor& c) {
    m_normalColor = c;
    applyTextColour();
}

void LxButton::setTitleLabelFrame(const NSRect& r) {
    geometry::setFrame(m_titleLabel, r);
}

void LxButton::setSelected(bool s) {
    m_selected = s;
    applyTextColour();
}

void LxButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        applyTextColour();
}

void LxButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    controls::setLabelColour(m_titleLabel, m_heightedColor);
    m_backgroundView->setImage(m_heightBackImage);
}

void LxButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_backgroundView->setImage(m_backImage);
    setSelected(true);
    if (auto* d = delegate())
        d->actionMouseUpForLxButtonBlock(this);
}
