// The export bar of one row of a file list (joiner, batch cutter): a small progress bar at
// the row's right end, hidden while the row's file is not being exported.
//
// set(p) shows the bar filled to p for 0 <= p < 1; a finished (p >= 1), negative or
// not-finite value hides it, so a row whose export is done shows no bar.
//
// Main thread only; the bar is a child of its row.
#pragma once

class NSProgressView;
class QWidget;

class RowProgress {
public:
    // Places the bar 200 x 10 points, 20 points from the row's right edge, centred in height.
    explicit RowProgress(QWidget* row);

    void show();
    void hide();
    void set(double progress);

    bool isShown() const;
    double value() const { return value_; }
    NSProgressView* bar() const { return bar_; }

private:
    NSProgressView* bar_;
    double value_ = 0;
};
