// A picture button with a centred label: shows its pressed background while pressed and
// becomes selected on every click, until its owner unselects it. Of its pictures only the
// background and the pressed background are shown.
#pragma once

#include "foundation/controls/LxButtonDelegate.h"
#include "foundation/controls/NSImageView.h"
#include "foundation/controls/WeakDelegate.h"

#include <QColor>
#include <QWidget>

class QLabel;

class LxButton : public QWidget {
    Q_OBJECT
public:
    explicit LxButton(QWidget* parent = nullptr);
    LxButton(const NSRect& frame, QWidget* parent);
    ~LxButton() override;

    NSImageView* backgroundView() const { return m_backgroundView; }
    QLabel* titleLabel() const { return m_titleLabel; }

    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setTitleFont(const QFont& font);
    void setBackImage(const NamedImage& i);
    void setHeightBackImage(const NamedImage& i);
    const NamedImage& backImage() const { return m_backImage; }
    const NamedImage& heightBackImage() const { return m_heightBackImage; }
    // Kept for the owner; not shown.
    void setNormalImage(const NamedImage& i) { m_normalImage = i; }
    void setHeightedImage(const NamedImage& i) { m_heightedImage = i; }
    void setSelectedHeightedImage(const NamedImage& i) { m_selectedHeightedImage = i; }
    void setSelectedImage(const NamedImage& i) { m_selectedImage = i; }
    void setDisabledImage(const NamedImage& i) { m_disabledImage = i; }
    void setSelectedDisabledImage(const NamedImage& i) { m_selectedDisabledImage = i; }

    void setNormalColor(const QColor& c);
    void setHeightedColor(const QColor& c) { m_heightedColor = c; }
    void setSelectedColor(const QColor& c) { m_selectedColor = c; }
    void setDisabledColor(const QColor& c) { m_disabledColor = c; }
    void setTitleLabelFrame(const NSRect& r);

    bool selected() const { return m_selected; }
    void setSelected(bool s);

    LxButtonDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LxButtonDelegate* d) { m_delegate.reset(d); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyTextColour();

    NSImageView* m_backgroundView = nullptr;
    QLabel* m_titleLabel = nullptr;
    QString m_title;
    NamedImage m_backImage, m_heightBackImage;
    NamedImage m_normalImage, m_heightedImage, m_selectedHeightedImage, m_selectedImage, m_disabledImage,
        m_selectedDisabledImage;
    QColor m_normalColor, m_heightedColor, m_selectedColor, m_disabledColor;
    bool m_selected = false;
    WeakDelegate<LxButtonDelegate> m_delegate;
};
