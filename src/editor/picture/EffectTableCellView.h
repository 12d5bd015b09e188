// One row of a hand-built check list: a round check mark at the left and a one-line title
// beside it, with a highlight state for the current row. The row draws itself and reports
// clicks; it never changes its owner's data. Both the image-effect list and the music list
// are stacks of these rows.
//
// Notifications go to three optional callbacks (an unset callback is a delegate that does
// not implement that operation):
//   onRowClicked(row, index)      a click on the row outside the check mark (enabled rows)
//   onCheckClicked(row, index)    a click on the check mark (enabled rows)
//   onStateChanged(row, on, index) setSelectedRow() when both onCheckClicked and this are
//                                 set; selected() when only this one is set
// Main thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;

class EffectTableCellView : public QWidget {
public:
    // A row index that asks for no background.
    static constexpr int64_t kNoBackgroundRow = 1000000;

    explicit EffectTableCellView(QWidget* parent);

    std::function<void(EffectTableCellView*, int64_t)> onRowClicked;
    std::function<void(EffectTableCellView*, int64_t)> onCheckClicked;
    std::function<void(EffectTableCellView*, bool, int64_t)> onStateChanged;

    QLabel* titleLabel() const { return titleLabel_; }
    void setTitle(const QString& title);
    QString title() const;
    // A picture of what the row stands for, drawn between the check mark and the title.
    void setPicture(const QString& bundleName);
    // nil (unset) draws the title in the 13-pixel system font.
    void setTitleFont(const std::optional<QFont>& font) { font_ = font; }

    void setRow(int64_t row) { row_ = row; }
    int64_t row() const { return row_; }
    void setIsMusicCellType(bool music) { isMusicCellType_ = music; }
    bool isMusicCellType() const { return isMusicCellType_; }

    // Stores the check state only.
    void setSelected(bool s) { selected_ = s; }
    bool isSelected() const { return selected_; }
    // Stores the check state, lays the row out, notifies and redraws.
    void selected(bool s);
    void setSelectedRow(bool s);
    bool selectedRow() const { return selectedRow_; }
    void setSelectedColor(const QColor& c);
    QColor selectedColor() const { return selectedColor_; }
    void setEnable(bool e);
    bool enable() const { return enable_; }

    // The check mark's frame in the row's own Qt coordinates (for clicks in tests).
    QRect checkRect() const { return checkRect_; }
    // The title colour as drawn now.
    QColor titleColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutRow();
    void refreshTitleColour();

    QLabel* titleLabel_ = nullptr;
    std::optional<QFont> font_;
    QRect checkRect_;
    QImage picture_;
    QRect pictureRect_;
    int64_t row_ = 0;
    bool isMusicCellType_ = false;
    bool selected_ = false;
    bool selectedRow_ = false;
    bool enable_ = true;
    QColor selectedColor_{33, 176, 235};
    QColor normalColor_{Qt::black};
};
