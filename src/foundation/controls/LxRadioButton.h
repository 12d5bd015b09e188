// A radio choice with a label. A click selects it (there is no grouping: the owner
// unselects the others) and tells the delegate. Of its pictures only the pressed one is
// shown, on the radio mark while pressed.
#pragma once

#include "foundation/controls/LxRadioButtonDelegate.h"
#include "foundation/controls/NSImageView.h"
#include "foundation/controls/WeakDelegate.h"

#include <QColor>
#include <QWidget>

class QLabel;
class QRadioButton;

class LxRadioButton : public QWidget {
    Q_OBJECT
public:
    explicit LxRadioButton(QWidget* parent = nullptr);
    LxRadioButton(const NSRect& frame, QWidget* parent);
    ~LxRadioButton() override;

    NSImageView* backgroundView() const { return m_backgroundView; }
    QRadioButton* iconView() const { return m_iconView; }
    QLabel* titleLabel() const { return m_titleLabel; }

    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setTitleFont(const QFont& font);
    void setHeightedImage(const NamedImage& i) { m_heightedImage = i; }
    // Kept for the owner; not shown.
    void setNormalImage(const NamedImage& i) { m_normalImage = i; }
    void setSelectedImage(const NamedImage& i) { m_selectedImage = i; }
    void setSelectedHeightedImage(const NamedImage& i) { m_selectedHeightedImage = i; }
    void setDisabledImage(const NamedImage& i) { m_disabledImage = i; }
    void setSelectedDisabledImage(const NamedImage& i) { m_selectedDisabledImage = i; }
    void setNormalColor(const QColor& c) { m_normalColor = c, applyState(); }
    void setHeightedColor(const QColor& c) { m_heightedColor = c; }
    void setSelectedColor(const QColor& c) { m_selectedColor = c, applyState(); }
    void setDisabledColor(const QColor& c) { m_disabledColor = c, applyState(); }

    bool selected() const { return m_selected; }
    void setSelected(bool s);

    LxRadioButtonDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LxRadioButtonDelegate* d) { m_delegate.reset(d); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyState();
    void clicked();

    NSImageView* m_backgroundView = nullptr;
    QRadioButton* m_iconView = nullptr;
    QLabel* m_titleLabel = nullptr;
    QString m_title;
    NamedImage m_normalImage, m_heightedImage, m_selectedHeightedImage, m_selectedImage, m_disabledImage,
        m_selectedDisabledImage;
    QColor m_normalColor, m_heightedColor, m_selectedColor, m_disabledColor;
    bool m_selected = false;
    WeakDelegate<LxRadioButtonDelegate> m_delegate;
};
