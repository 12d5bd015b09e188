// The file list of the joiner and the batch cutter: one JoinnerCell per record of the
// window's list, in list order, rebuilt on every reload. It keeps one row selected and at
// most one record marked as the default output format. A list without join controls (the
// batch cutter's) shows neither the default-format box nor the transition pop-up.
//
// Main thread only.
#pragma once

#include <QScrollArea>
#include <functional>
#include <memory>
#include <vector>

class JoinnerCell;
class QVBoxLayout;
class SimpleData;

class JoinnerTableView : public QScrollArea {
    Q_OBJECT
public:
    using List = std::vector<std::shared_ptr<SimpleData>>;

    explicit JoinnerTableView(QWidget* parent = nullptr);

    // The list shown; owned by the window and outliving the view.
    void setList(List* list) { list_ = list; }
    // Rebuilds the rows and selects row `selected` (clamped; none when the list is empty).
    void reloadData(int selected);
    int selectedIndex() const { return selected_; }
    void selectRow(int index);
    JoinnerCell* row(int index) const;
    int rowCount() const { return int(rows_.size()); }
    void setEnabele(bool enabled);
    // The default-format box and the transition pop-up on the rows (shown unless turned off;
    // takes effect at the next reload).
    void setJoinControlsShown(bool shown) { joinControls_ = shown; }
    // While set, selections made by the list itself (reloads, showProgress) do not call
    // selectionChanged; a click on a row clears it.
    void setDisabelSelectBlock(bool disabled) { disabelSelectBlock_ = disabled; }
    bool disabelSelectBlock() const { return disabelSelectBlock_; }

    // Export bars of the rows. showProgress selects the row and shows its bar;
    // hiddenProgress hides it; setExportProgress fills the selected row's bar, hidden at 1 or
    // more. Indexes that name no row are ignored.
    void showProgress(int index);
    void hiddenProgress(int index);
    void setExportProgress(double progress);

    // The selected row changed (-1: none).
    std::function<void(int index)> selectionChanged;
    // A record's default-format flag changed.
    std::function<void()> defaultFormatChanged;

private:
    void defaultFormatToggled(JoinnerCell* row);

    List* list_ = nullptr;
    QWidget* content_;
    QVBoxLayout* layout_;
    std::vector<JoinnerCell*> rows_;
    int selected_ = -1;
    bool enabled_ = true;
    bool disabelSelectBlock_ = false;
    bool joinControls_ = true;
};
