// The music panel's track list: one 24-point row per track, stacked from the top, each with a
// check box (the track takes part in preview and export) and the file's name; the highlighted
// row is the track the panel edits. Scrolls vertically only.
//
// Main thread only.
#pragma once

#include <QScrollArea>
#include <QStringList>
#include <functional>
#include <vector>

class QLabel;
class ZylButton;

class MusicTrackRow : public QWidget {
    Q_OBJECT
public:
    MusicTrackRow(int row, const QString& title, QWidget* parent);
    int row() const { return row_; }
    ZylButton* checkButton() const { return check_; }
    QLabel* titleLabel() const { return title_; }
    const QString& title() const { return fullTitle_; }
    void setChecked(bool checked);
    bool isChecked() const;
    void setHighlighted(bool on);
    bool isHighlighted() const { return highlighted_; }
    void setEnable(bool enable);

    std::function<void(int row)> clicked;      // anywhere but the check box
    std::function<void(int row)> checkClicked; // on the check box

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int row_;
    QString fullTitle_;
    ZylButton* check_;
    QLabel* title_;
    bool highlighted_ = false;
    bool enabled_ = true;
};

class MusicTrackList : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 24;

    explicit MusicTrackList(QWidget* parent);
    // Rebuilds every row: titles in order, their check states, the highlighted row.
    void setRows(const QStringList& titles, const std::vector<bool>& checked, int highlighted);
    const std::vector<MusicTrackRow*>& rows() const { return rows_; }
    void setHighlighted(int row);
    void setEnable(bool enable);

    std::function<void(int row)> rowClicked;
    std::function<void(int row)> checkClicked;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutRows();

    QWidget* document_ = nullptr;
    std::vector<MusicTrackRow*> rows_;
    bool enabled_ = true;
};
