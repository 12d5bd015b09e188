// The joiner's clip list: one JoinnerCell per record of the window's list, in join order,
// rebuilt on every reload. It keeps one row selected and at most one record marked as the
// default output format.
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
};
