// The output-folder pop-up of the tool windows. Items: the user's Movies, Documents and
// Desktop folders, the program's own folder inside Movies (named by the text for "Title",
// the default, made when missing), and "Other...", which asks for a folder in a folder panel;
// a picked folder then stays in the pop-up as a sixth item, titled with its last path
// component, and keeps its path when chosen again (also when its name equals the program's
// folder name). The path has no trailing "/". A picked folder that is still the chosen one
// is offered again, and chosen, by every output-folder pop-up made later in the same run
// (a reopened tool window); choosing one of the fixed folders forgets it.
//
// Main thread only.
#pragma once

#include <QComboBox>
#include <functional>

class OutputFolderChooser : public QComboBox {
    Q_OBJECT
public:
    enum Item { Movies = 0, Documents = 1, Desktop = 2, ProgramFolder = 3, Other = 4, Picked = 5 };

    explicit OutputFolderChooser(QWidget* parent = nullptr);

    QString outputPath() const { return outputPath_; }
    // The action of every item (also run once at set-up with the default item selected).
    void outputPopUpBtnAction();
    // Runs the choice of item i as if the user had picked it.
    void choose(int index);

    // The default folder: Movies + "/" + the text for "Title".
    static QString programFolder();
    static QString standardFolder(Item item);

    // Called after outputPath() changed.
    std::function<void(const QString&)> outputPathChanged;

private:
    void resetItems(bool withPicked);
    void setPath(const QString& path);
    void showLastComponent();

    QString outputPath_;
    QString pickedPath_;
};
