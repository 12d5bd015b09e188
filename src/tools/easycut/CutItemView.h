// One row of the easy cutter's segment list: the segment's thumbnail over a background
// image, and its title "start-end" (HH:MM:SS.cc-HH:MM:SS.cc) in the largest size that fits
// the row. A strip under the thumbnail is kept for the hover buttons. A click runs the
// row's action; entering and leaving the row run the hover callbacks.
#pragma once

#include <QColor>
#include <QImage>
#include <QPushButton>
#include <functional>
#include <memory>

class QLabel;
class CutItem;

class CutItemView : public QPushButton {
    Q_OBJECT
public:
    explicit CutItemView(QWidget* parent = nullptr);
    ~CutItemView() override;

    void setItem(const std::shared_ptr<CutItem>& item);
    const std::shared_ptr<CutItem>& item() const { return item_; }
    void setSelected(bool selected);
    bool selected() const { return selected_; }
    void setTag(long tag) { tag_ = tag; }
    long tag() const { return tag_; }

    void setNbackGroundImage(const QImage& image);
    void setSbackGroundImage(const QImage& image);
    void setNbackGroundColor(const QColor& c) { nbackGroundColor_ = c; }
    void setSbackGroundColor(const QColor& c) { sbackGroundColor_ = c; }
    void setNbordColor(const QColor& c);
    void setSbordColor(const QColor& c);
    void setCornerRadius(float r) { cornerRadius_ = r; }
    void setBorderWidth(float w) { borderWidth_ = w; }

    QLabel* backView() const { return backView_; }
    QLabel* iconView() const { return iconView_; }
    QLabel* titleField() const { return titleField_; }
    // Where the hover buttons stand in a row (Qt coordinates of the row): under the
    // thumbnail, inside the row's card.
    static QRect buttonStrip();

    // Pointer entered or left the row (enabled rows only), with the pointer position.
    std::function<void(CutItemView*, double x, double y)> mouseEntered;
    std::function<void(CutItemView*, double x, double y)> mouseExited;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void refresh();
    void fitTitle();

    std::shared_ptr<CutItem> item_;
    bool selected_ = false;
    long tag_ = 0;
    QImage nbackGroundImage_, sbackGroundImage_;
    QColor nbackGroundColor_, sbackGroundColor_, nbordColor_, sbordColor_;
    float cornerRadius_ = 0, borderWidth_ = 0;
    QLabel* backView_;
    QLabel* iconView_;
    QLabel* titleField_;
};
