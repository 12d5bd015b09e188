// The home screen: eleven tool tiles with hover descriptions, and the About and Homepage
// buttons at the top right. A click on a tile opens that tool's window and disables the
// home screen until a tool window posts "WillCloseNotification".
#pragma once

#include "app/ToolWindowRegistry.h"

#include <QPointer>
#include <QWidget>
#include <array>

class QLabel;
class ZylButton;
class ZylImageView;

class ViewController : public QWidget {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    // Enables or disables the tiles and the two top-right buttons. Tiles of tools that do not
    // exist in this build stay disabled.
    void enable(bool flag);
    // Observer of "WillCloseNotification": enables the home screen again.
    void childEnable();
    // Refreshes every text in the language chosen now and lays the screen out again.
    void langeuageAction();
    // Opens the About box over the main window; a null sender opens nothing.
    void aboutAction(QObject* sender);

    // The tile actions, each with the clicked tile as sender.
    void cropAction(ZylButton* sender);
    void effectAction(ZylButton* sender);
    void subtitleAction(ZylButton* sender);
    void watermarkAction(ZylButton* sender);
    void joinnerAction(ZylButton* sender);
    void easy_cutterAction(ZylButton* sender);
    void batch_cutterAction(ZylButton* sender);
    void advanced_cutterAction(ZylButton* sender);
    void rotateAction(ZylButton* sender);
    void addOrremovemusicAction(ZylButton* sender);
    void splitAction(ZylButton* sender);

    // Re-titles and re-places the top-right buttons and re-sets the tile labels.
    void viewDidLayout();

    // The text shown while the pointer is over no tile.
    static QString idleDescription();

    ZylButton* tileButton(HomeTool tool) const { return tiles_[static_cast<int>(tool)].button; }
    QLabel* tileLabel(HomeTool tool) const { return tiles_[static_cast<int>(tool)].label; }
    QLabel* descLabel1() const { return descLabel1_; }
    ZylButton* aboutButton() const { return aboutButton_; }
    ZylButton* homepageButton() const { return homepageButton_; }
    ZylImageView* backImageView() const { return backImageView_; }
    // The tool window opened last, while it is open (not owned).
    QWidget* openToolWindow() const { return toolWindow_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Tile {
        ZylButton* button = nullptr;
        QLabel* label = nullptr; // tag 100: the tool's name on the tile
    };

    void viewDidLoad();
    void initButtonTitle();
    void placeTiles();
    void openTool(HomeTool tool, ZylButton* sender);
    // Width of a top-right text button for its title: measured in a 150 x 20 box, plus 25.
    double textButtonWidth(const QString& title) const;

    ZylImageView* backImageView_ = nullptr;
    QLabel* descLabel1_ = nullptr;
    std::array<Tile, kHomeToolCount> tiles_{};
    ZylButton* aboutButton_ = nullptr;
    ZylButton* homepageButton_ = nullptr;
    QPointer<QWidget> toolWindow_;
};
