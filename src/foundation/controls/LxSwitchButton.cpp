#include "foundation/controls/LxSwitchButton.h"

#include "foundation/controls/LabelColour.h"
#include "foundation/helpers/HelpClass.h"
#include "platform/Log.h"

#include <QLabel>
#include <QMouseEvent>

namespace {
// A colour left unset becomes black, and stays so.
const QColor& orBlack(QColor& c) {
    if (!c.isValid())
        c = Qt::black;
    return c;
}
} // namespace

LxSwitchButton::LxSwitchButton(QWidget* parent) : LxSwitchButton(NSRect{0, 0, 120, 24}, parent) {}

LxSwitchButton::LxSwitchButton(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    geometry::setFrame(this, frame);
    m_imageView = new NSImageView(this);
    m_imageView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_imageView->setImageScaling(NSImageView::Scaling::ProportionallyDown);
    m_titleLabel = new QLabel(this);
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleLabel->setFont(HelpClass::fontWithName(QString(), 13));
    layoutParts();
}

LxSwitchButton::~LxSwitchButton() {
    qCDebug(lcControls, "%s", "LxSwitchButton::~LxSwitchButton");
}

// The picture is a square at the left end, the label right of it.
void LxSwitchButton::layoutParts() {
    const double w = width(), h = height();
    m_imageView->setFrame({0, 0, h, h});
    geometry::setFrame(m_titleLabel, {h + 4, 0, std::max(0.0, w - h - 4), h});
}

void LxSwitchButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void LxSwitchButton::setTitle(const QString& title) {
    m_title = title;
    m_titleLabel->setText(title);
}

void LxSwitchButton::setNormalImage(const NamedImage& i) {
    m_normalImage = i;
    if (!m_selected)
        m_imageView->setImage(i);
}

void LxSwitchButton::setSelectedImage(const NamedImage& i) {
    m_selectedImage = i;
    if (m_selected)
        m_imageView->setImage(i);
}

void LxSwitchButton::setSelected(bool s) {
    m_selected = s;
    showState();
}

void LxSwitchButton::showState() {
    m_imageView->setImage(m_selected ? m_selectedImage : m_normalImage);
    controls::setLabelColour(m_titleLabel, orBlack(m_selected ? m_selectedColor : m_normalColor));
}

void LxSwitchButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_imageView->setImage(m_heightedImage);
    controls::setLabelColour(m_titleLabel, orBlack(m_heightedColor));
}

void LxSwitchButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_selected = !m_selected;
    showState();
    if (auto* d = delegate())
        d->actionMouseUpForSwitchButtonBlock(this);
}
