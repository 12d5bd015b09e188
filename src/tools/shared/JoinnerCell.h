// One row of a file list (joiner, batch cutter): thumbnail, name, source length, frame size
// and file size, the length of the range, and for the joiner the "use as output format" box
// and the transition into the next clip. The row writes the user's choices straight into its
// record and reports them.
//
// Main thread only.
#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class RowProgress;
class SimpleData;
class ZylButton;

class JoinnerCell : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 60;
    // The row's fill, unselected and selected.
    static inline const QColor kNormalColor{237, 237, 237};
    static inline const QColor kSelectedColor{90, 216, 238};

    explicit JoinnerCell(QWidget* parent = nullptr);
    ~JoinnerCell() override;

    void setFileData(std::shared_ptr<SimpleData> data);
    const std::shared_ptr<SimpleData>& fileData() const { return fileData_; }
    // The default-format box's click: ticks or clears it in the record and reports it.
    void toggleDefaultFormat();
    // Shows the record's cut length (the length of its range) again after the range changed.
    void refreshCutLength();

    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    // A disabled row takes no clicks (its box and pop-up still work, as the list disables
    // them itself while a job runs).
    void setEnabele(bool enabled);
    void setIndex(int index) { index_ = index; }
    int index() const { return index_; }

    // A click on an enabled, unselected row.
    std::function<void(JoinnerCell*)> MouseDownBlock;
    // The default-format box was toggled.
    std::function<void(JoinnerCell*)> SelecteddefaultFormatoutputBlock;
    // A transition was chosen.
    std::function<void(JoinnerCell*)> SelectedTransitionEffectBlock;

    QLabel* thumbImageView;
    QLabel* scrLabel;
    QLabel* sourceDurationLabel;
    QLabel* sourceFrameLabel;
    QLabel* sourceSizeLabel;
    QLabel* cuttedTimeLabel;
    // The "use as output format" box: a picture button, selected while ticked.
    ZylButton* defaultoutputformat;
    QLabel* effectLabel;
    QComboBox* effectBtn;
    // This row's export bar, hidden while its file is not being exported.
    RowProgress* progress;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<SimpleData> fileData_;
    bool selected_ = false;
    bool enabele_ = true;
    int index_ = 0;
};
