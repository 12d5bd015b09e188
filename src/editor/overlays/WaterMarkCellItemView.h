// One row of the watermark list: a check box that decides whether the mark is previewed and
// exported, and a title showing the mark's text or file path. A click on the row selects it;
// while a text mark's row is selected its title can be edited in place and every change is
// reported at once. Main thread only.
#pragma once

#include <QColor>
#include <QWidget>
#include <functional>

class QLineEdit;
class ZylButton;

class WaterMarkCellItemView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTypeText = 0;
    static constexpr int kTypePicture = 1;
    static constexpr int kTypeOther = 2;

    explicit WaterMarkCellItemView(QWidget* parent = nullptr);

    void setTitleStringValue(const QString& title);
    QString titleStringValue() const;
    void setCheck(bool check);
    bool check() const { return check_; }
    void setSelected(bool selected);
    bool selected() const { return selected_; }
    void setType(int type);
    int type() const { return type_; }
    void setRow(int row) { row_ = row; }
    int row() const { return row_; }
    void setNormalTextColor(const QColor& c) { normal_ = c, refresh(); }
    void setSelectTextColor(const QColor& c) { selectedText_ = c, refresh(); }
    void setSelectedBackgroundColor(const QColor& c) { selectedBack_ = c, refresh(); }

    ZylButton* checkBtn() const { return checkBtn_; }
    QLineEdit* titleLabel() const { return title_; }
    bool titleEditable() const;

    std::function<void(const QString& text, int row)> EditWaterTextBlock;
    std::function<void(bool checked, int row)> CheckWateMarkBlock;
    std::function<void(WaterMarkCellItemView*)> clicked;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void toggleCheck();

    ZylButton* checkBtn_;
    QLineEdit* title_;
    QColor normal_{90, 216, 238}, selectedText_{Qt::white}, selectedBack_{105, 168, 219};
    bool check_ = false;
    bool selected_ = false;
    int type_ = kTypeOther;
    int row_ = 0;
};
