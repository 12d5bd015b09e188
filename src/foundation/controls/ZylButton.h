// The image button of every window: drawn by hand from the pictures its owner names for
// each look (normal, hovered, pressed, selected, disabled), with an optional background
// picture or colour, a drawn title, and an underline for link-like buttons.
//
// Clicks reach the owner only through `mouseDownAction`, run when a press is released
// inside the enabled button. `mouseEntered` and `mouseExited` report the pointer. Each
// callback is optional; the button passes itself.
#pragma once

#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylPosition.h"
#include "platform/Geometry.h"

#include <QAbstractButton>
#include <QColor>
#include <functional>
#include <optional>

class QPainter;

class ZylButton : public QAbstractButton {
    Q_OBJECT
public:
    using Callback = std::function<void(ZylButton*)>;

    explicit ZylButton(QWidget* parent = nullptr);
    ZylButton(const NSRect& frame, QWidget* parent);
    ~ZylButton() override;

    // Foreground pictures per look.
    void setNormalImage(const NamedImage& i) { m_normalImage = i, update(); }
    void setOnImage(const NamedImage& i) { m_onImage = i, update(); }
    void setDownImage(const NamedImage& i) { m_downImage = i, update(); }
    void setSelectedImage(const NamedImage& i) { m_selectedImage = i, update(); }
    void setDisAbleImage(const NamedImage& i) { m_disAbleImage = i, update(); }
    const NamedImage& normalImage() const { return m_normalImage; }
    const NamedImage& onImage() const { return m_onImage; }
    const NamedImage& downImage() const { return m_downImage; }
    const NamedImage& selectedImage() const { return m_selectedImage; }
    const NamedImage& disAbleImage() const { return m_disAbleImage; }

    // Background pictures per look (no fallback between them).
    void setNormalBackgroundImage(const NamedImage& i) { m_normalBackgroundImage = i, update(); }
    void setOnBackgroundImage(const NamedImage& i) { m_onBackgroundImage = i, update(); }
    void setDownBackgroundImage(const NamedImage& i) { m_downBackgroundImage = i, update(); }
    void setSelectedBackgroundImage(const NamedImage& i) { m_selectedBackgroundImage = i, update(); }
    void setDisAbleBackgroundImage(const NamedImage& i) { m_disAbleBackgroundImage = i, update(); }
    const NamedImage& normalBackgroundImage() const { return m_normalBackgroundImage; }
    const NamedImage& onBackgroundImage() const { return m_onBackgroundImage; }
    const NamedImage& downBackgroundImage() const { return m_downBackgroundImage; }
    const NamedImage& selectedBackgroundImage() const { return m_selectedBackgroundImage; }
    const NamedImage& disAbleBackgroundImage() const { return m_disAbleBackgroundImage; }

    // Fills where no background picture applies; an invalid colour means none.
    void setBackGroundColor(const QColor& c) { m_backGroundColor = c, update(); }
    void setDisAblebackGroundColor(const QColor& c) { m_disAblebackGroundColor = c, update(); }
    QColor backGroundColor() const { return m_backGroundColor; }
    QColor disAblebackGroundColor() const { return m_disAblebackGroundColor; }
    // Border, drawn only with rounded corners.
    void setBordColor(const QColor& c) { m_bordColor = c, update(); }
    QColor bordColor() const { return m_bordColor; }
    void setCornerRadius(double r) { m_cornerRadius = r, update(); }
    double cornerRadius() const { return m_cornerRadius; }
    void setBorderWidth(double w) { m_borderWidth = w, update(); }
    double borderWidth() const { return m_borderWidth; }
    // A bordered button draws the platform's button panel under its pictures.
    void setBordered(bool b) { m_bordered = b, update(); }
    bool isBordered() const { return m_bordered; }

    // The title the button draws, and its colour (white when not set).
    void setContentTitle(const QString& title);
    QString contentTitle() const { return m_contentTitle; }
    // The title as drawn: whole, or cut short with an ellipsis when it fits the button neither on
    // one line nor wrapped (the tooltip then carries it whole).
    QString shownTitle() const;
    void setContentColor(const QColor& c) { m_contentColor = c, update(); }
    QColor contentColor() const { return m_contentColor; }
    // 0: picture and title centred as a group; 1: picture at the left edge, title after it;
    // 2: picture at the right edge.
    void setContentImagePosition(int p) { m_contentImagePosition = p, update(); }
    int contentImagePosition() const { return m_contentImagePosition; }
    // Insets for a title without picture.
    void setTitlePosition(const std::optional<ZylPosition>& p) { m_titlePosition = p, update(); }
    const std::optional<ZylPosition>& titlePosition() const { return m_titlePosition; }
    // Extra width taken into the picture-and-title group.
    void setLeftIconWidth(double w) { m_leftIconWidth = w, update(); }
    // Room at the right edge that a centred title keeps clear of (a picture laid over it).
    void setTitleEndInset(double inset) { m_titleEndInset = inset, update(); }
    double leftIconWidth() const { return m_leftIconWidth; }
    // A line under the title and the hand cursor on hover.
    void setUnderLine(bool u) { m_underLine = u, update(); }
    bool underLine() const { return m_underLine; }
    // Presses and releases behave as a standard check button (no mouseDownAction).
    void setIsCheckType(bool c);
    bool isCheckType() const { return m_isCheckType; }

    void setSelected(bool s);
    bool selected() const { return m_selected; }
    void setIndex(int i) { m_index = i; }
    int index() const { return m_index; }

    Callback mouseDownAction;
    Callback mouseEntered;
    Callback mouseExited;

    // Mouse state: pressed, and pointer inside.
    bool isDown() const { return m_isDown; }
    bool isUp() const { return m_isUp; }
    // The pictures the current look uses (nil when none applies).
    const NamedImage& currentImage() const;
    const NamedImage& currentBackgroundImage() const;
    QString currentImageName() const { return currentImage().name(); }
    QString currentBackgroundImageName() const { return currentBackgroundImage().name(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Look { Disabled, HoverDown, Hover, Selected, Down, Normal };
    Look look() const;
    double titleRoom() const;
    // The steps of paintEvent: bevel, clip and fill; the title (its width returned); the border.
    void paintBackground(QPainter& p);
    double paintTitle(QPainter& p, const NamedImage& image, double gap);
    void paintBorder(QPainter& p);
    void refreshTitleTip();
    void pointerEntered();
    void pointerExited();
    static void run(const Callback& callback, ZylButton* button);

    NamedImage m_normalImage, m_onImage, m_downImage, m_selectedImage, m_disAbleImage;
    NamedImage m_normalBackgroundImage, m_onBackgroundImage, m_downBackgroundImage, m_selectedBackgroundImage,
        m_disAbleBackgroundImage;
    QColor m_backGroundColor, m_disAblebackGroundColor, m_bordColor, m_contentColor;
    double m_cornerRadius = 0, m_borderWidth = 0, m_leftIconWidth = 0, m_titleEndInset = 0;
    bool m_bordered = false;
    QString m_contentTitle;
    int m_contentImagePosition = 0;
    std::optional<ZylPosition> m_titlePosition;
    bool m_underLine = false;
    bool m_isCheckType = false;
    bool m_titleTip = false;
    bool m_selected = false;
    int m_index = 0;
    bool m_isDown = false;
    bool m_isUp = false;
};
