// The tab button of the output-format browsers: a background picture, a picture and a
// styled title, with looks for normal, selected and disabled. Its state pictures and title
// colour change only through setSelected(); a press may show a pressed background first.
// It tells its delegate of a click (actionMouseUpForCustomButtonBlock) and nothing else.
#pragma once

#include "foundation/controls/LxCustomButtonDelegate.h"
#include "foundation/controls/LxTitleButton.h"
#include "foundation/controls/NSImageView.h"
#include "foundation/controls/WeakDelegate.h"

#include <QColor>
#include <QWidget>
#include <optional>

class LxCustomButton : public QWidget, public LxTitleButtonDelegate {
    Q_OBJECT
public:
    explicit LxCustomButton(QWidget* parent = nullptr);
    LxCustomButton(const NSRect& frame, QWidget* parent);
    ~LxCustomButton() override;

    // The pressed background, shown from a press until the next setSelected().
    void setHightideBackImage(const NamedImage& i) { m_hightideBackImage = i; }
    const NamedImage& hightideBackImage() const { return m_hightideBackImage; }
    NSImageView* backView() const { return m_backView; }
    NSImageView* imageView() const { return m_imageView; }
    LxTitleButton* titleButton() const { return m_titleButton; }

    LxCustomButtonDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LxCustomButtonDelegate* d) { m_delegate.reset(d); }

    // Where the picture and the title sit (0..4; see setCellTextPosition in the source).
    unsigned cellTextPosition() const { return m_cellTextPosition; }
    void setCellTextPosition(unsigned position);
    int index() const { return m_index; }
    void setIndex(int i) { m_index = i; }
    int fontsize() const { return m_fontsize; }
    void setFontsize(int size) { m_fontsize = size; }
    QString fontname() const { return m_fontname; }
    void setFontname(const QString& name) { m_fontname = name; }
    bool selected() const { return m_selected; }
    // Shows the look of the state (selected, normal, or disabled when not enabled).
    void setSelected(bool selected);
    // When set, setCellTextPosition() also places the title.
    bool titleLab() const { return m_titleLab; }
    void setTitleLab(bool b) { m_titleLab = b; }

    QString title() const { return m_title; }
    void setTitle(const QString& t) { m_title = t; }
    void setNormalImage(const NamedImage& i) { m_normalImage = i; }
    void setSelectedImage(const NamedImage& i) { m_selectedImage = i; }
    void setDisableImage(const NamedImage& i) { m_disableImage = i; }
    void setNormalBackImage(const NamedImage& i) { m_normalBackImage = i; }
    void setSelectedBackImage(const NamedImage& i) { m_selectedBackImage = i; }
    void setDisableBackImage(const NamedImage& i) { m_disableBackImage = i; }
    // Title colours; a colour left unset gets its default at the first setSelected().
    void setNormalTitleColor(const QColor& c) { m_normalTitleColor = c; }
    void setSelectedTitleColor(const QColor& c) { m_selectedTitleColor = c; }
    void setDisableTitleColor(const QColor& c) { m_disableTitleColor = c; }
    QColor normalTitleColor() const { return m_normalTitleColor; }
    QColor selectedTitleColor() const { return m_selectedTitleColor; }
    QColor disableTitleColor() const { return m_disableTitleColor; }

    // Builds the styled title and hands it to the title part (alignment as the platform
    // numbers it: 0 left, 1 right, 2 centred).
    void setTitle(const QString& title, const QColor& color, int textAlignment);
    // Moves the title part (bottom-left frame in the button).
    void setTitleRect(const NSRect& rect);

    // The title part's clicks arrive here and count as the button's own.
    void actionMouseUpForTitleButtonBlock(LxTitleButton* button) override;
    void actionMouseDownForTitleButtonBlock(LxTitleButton* button) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void pressed();
    void released();
    void fire();
    bool hasPressedPicture() const;

    NamedImage m_hightideBackImage;
    NSImageView* m_backView = nullptr;
    NSImageView* m_imageView = nullptr;
    LxTitleButton* m_titleButton = nullptr;
    WeakDelegate<LxCustomButtonDelegate> m_delegate;
    unsigned m_cellTextPosition = 0;
    bool m_cellTextPositionSet = false;
    std::optional<NSRect> m_titleRect;
    int m_index = 0;
    int m_fontsize = 12;
    QString m_fontname = QStringLiteral(".AppleSystemUIFont");
    bool m_selected = false;
    bool m_titleLab = false;
    QString m_title;
    NamedImage m_normalImage, m_selectedImage, m_disableImage;
    NamedImage m_normalBackImage, m_selectedBackImage, m_disableBackImage;
    QColor m_normalTitleColor, m_selectedTitleColor, m_disableTitleColor;
};
