// An on/off choice with a picture and a label; each click switches it and tells the
// delegate.
#pragma once

#include "foundation/controls/LxSwitchButtonDelegate.h"
#include "foundation/controls/NSImageView.h"
#include "foundation/controls/WeakDelegate.h"

#include <QColor>
#include <QWidget>

class QLabel;

class LxSwitchButton : public QWidget {
    Q_OBJECT
public:
    explicit LxSwitchButton(QWidget* parent = nullptr);
    LxSwitchButton(const NSRect& frame, QWidget* parent);
    ~LxSwitchButton() override;

    NSImageView* imageView() const { return m_imageView; }
    QLabel* titleLabel() const { return m_titleLabel; }

    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setNormalImage(const NamedImage& i);
    void setHeightedImage(const NamedImage& i) { m_heightedImage = i; }
    void setSelectedImage(const NamedImage& i);
    // A colour left unset becomes black the first time it is needed.
    void setNormalColor(const QColor& c) { m_normalColor = c; }
    void setHeightedColor(const QColor& c) { m_heightedColor = c; }
    void setSelectedColor(const QColor& c) { m_selectedColor = c; }
    QColor normalColor() const { return m_normalColor; }
    QColor heightedColor() const { return m_heightedColor; }
    QColor selectedColor() const { return m_selectedColor; }

    bool selected() const { return m_selected; }
    void setSelected(bool s);

    LxSwitchButtonDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LxSwitchButtonDelegate* d) { m_delegate.reset(d); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showState();
    void layoutParts();

    NSImageView* m_imageView = nullptr;
    QLabel* m_titleLabel = nullptr;
    QString m_title;
    NamedImage m_normalImage, m_heightedImage, m_selectedImage;
    QColor m_normalColor, m_heightedColor, m_selectedColor;
    bool m_selected = false;
    WeakDelegate<LxSwitchButtonDelegate> m_delegate;
};
