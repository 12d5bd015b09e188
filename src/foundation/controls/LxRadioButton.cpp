#include "foundation/controls/LxRadioButton.h"

#include "foundation/controls/LabelColour.h"
#include "foundation/helpers/HelpClass.h"
#include "platform/Log.h"

#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>

LxRadioButton::LxRadioButton(QWidget* parent) : LxRadioButton(NSRect{0, 0, 120, 30}, parent) {}

LxRadioButton::LxRadioButton(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    geometry::setFrame(this, frame);
    const double w = width(), h = height();
    m_title = QStringLiteral("title");
    m_backgroundView = new NSImageView(this);
    m_backgroundView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_backgroundView->setFrame({0, 0, w, h});
    m_iconView = new QRadioButton(this);
    m_iconView->setAutoExclusive(false);
    m_iconView->setChecked(true);
    geometry::setFrame(m_iconView, {5, (h - 20) / 2, 20, 20});
    connect(m_iconView, &QRadioButton::clicked, this, [this] { clicked(); });
    m_titleLabel = new QLabel(this);
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_titleLabel->setFont(HelpClass::fontWithName(QString(), 13));
    geometry::setFrame(m_titleLabel, {25, (h - 25) / 2 - 3, w - 30, 25});
    m_normalColor = m_heightedColor = m_selectedColor = Qt::black;
    setSelected(false);
}

LxRadioButton::~LxRadioButton() {
    qCDebug(lcControls, "%s", "LxRadioButton::~LxRadioButton");
}

void LxRadioButton::applyState() {
    if (isEnabled()) {
        m_iconView->setChecked(m_selected);
        controls::setLabelColour(m_titleLabel, m_selected ? m_selectedColor : m_normalColor);
    } else {
        controls::setLabelColour(m_titleLabel, m_disabledColor);
    }
}

void LxRadioButton::setTitle(const QString& title) {
    m_title = title;
    m_titleLabel->setText(title);
}

void LxRadioButton::setTitleFont(const QFont& font) {
    m_titleLabel->setFont(font);
}

void LxRadioButton::setSelected(bool s) {
    m_selected = s;
    applyState();
    m_titleLabel->setText(m_title);
}

void LxRadioButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        applyState();
}

void LxRadioButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (!m_heightedImage.isNil())
        m_iconView->setIcon(QIcon(QPixmap::fromImage(m_heightedImage.image())));
    controls::setLabelColour(m_titleLabel, m_heightedColor);
}

void LxRadioButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        clicked();
}

void LxRadioButton::clicked() {
    m_iconView->setIcon(QIcon());
    m_selected = true;
    applyState();
    if (!isEnabled())
        return;
    if (auto* d = delegate())
        d->actionMouseUpForLxRadioButtonBlock(this);
}
