// The output-format browser of the editor and the joiner: a band with a bar of category
// tabs, under it a strip of profile tiles eight to a page with left and right arrows, a
// selection frame behind the chosen tile with a gear on it that opens the settings window,
// and a title button reading "Target Format: <profile>" that folds the band away on low
// screens.
//
// Categories are those of the profile set's pf.dat, with "Custom" first when user-made
// profiles exist; a category's tiles are its profiles ("Keep Original" first) with their
// pictures. The choice is remembered in the user defaults: "selectFunListItemIndex" (the
// category, from 1), "selectItemIndex" (the tile, from 1) and, per category,
// "<category>_selectFunctionOfsetIndex" (the page shown, from 0).
//
// The browser owns its views and the settings window it opens; what a choice means is the
// window's: it is told through the callbacks below. GUI thread only.
#pragma once

#include "foundation/controls/LxCustomButtonDelegate.h"
#include "profiles/ProfileSet.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class LxCustomButton;
class MouseMoveButton;
class SettingWindowController;
class ZylButton;
class ZylImageView;

class FormatBrowser : public QWidget, public LxCustomButtonDelegate {
    Q_OBJECT
public:
    // Who shows the browser: the settings window keeps each opener's values under its own
    // keys. A new window of either shows the profile chosen last.
    enum class Opener { Editor, Joiner };

    static constexpr int kBandHeight = 180;
    // How much lower the window becomes when the band folds.
    static constexpr int kFoldHeight = 140;
    static constexpr int kTilesPerPage = 8;
    // Screens at most this high can fold the band.
    static constexpr int kLowScreenHeight = 780;

    FormatBrowser(ProfileSet profiles, Opener opener, QWidget* parent);
    ~FormatBrowser() override;

    // A tile was chosen, by the user or by the browser showing the remembered choice: its
    // category, its name and its profile file (empty when there is none). An empty name
    // means no profile: every output value keeps the source's.
    std::function<void(const QString& category, const QString& item, const QString& path)> profileChosen;
    // The settings window opened by the gear changed one value (its mask), or restored the
    // profile's values.
    std::function<void(long mask)> settingChanged;
    std::function<void()> settingsRestored;
    // Gives the settings window what the window wants it to have before it shows.
    std::function<void(SettingWindowController*)> prepareSettings;
    // The band folded (true) or unfolded: the window is to become kFoldHeight lower or higher.
    std::function<void(bool folded)> foldChanged;
    // The height of the screen the window is on (ScreenRoom's) unless replaced.
    std::function<int()> screenHeight;

    // Builds the band on the first call and shows the starting choice: the remembered one
    // for the joiner, the first profile of the first category for the editor (which calls
    // this again whenever it opens a file).
    void start();

    // Chooses a user-made profile by its file: the category "Custom" appears when it is new.
    void chooseCustomProfile(const QString& path);
    // Shows a category (a tab was clicked).
    void actionFunctionItem(LxCustomButton* tab);
    // Chooses the tile with this number (from 1) in the category shown.
    void actionFunctionItemScrollChild(int tag);
    void action_left_move_item_Btn();
    void action_right_move_item_Btn();
    // Opens the settings window of the tile with this number.
    void actionEditsetting(int tag);
    // The title button's fold toggle: folds only on low screens, unfolds a folded band on any
    // (the window may have moved to a higher screen). The fold follows after the click.
    void toggleFold();
    // Whether the screen is low enough for the band to fold.
    bool canFold() const;
    // Folds or unfolds the band at once (a window opening on a low screen); reports it
    // through foldChanged when it changes.
    void setFolded(bool folded);
    // Tabs, tiles and gears on or off (off while a clip gives the output format).
    void setChoiceEnabled(bool enabled);

    void actionMouseUpForCustomButtonBlock(LxCustomButton* button) override;

    const QStringList& functionList() const { return functionList_; }
    const QString& functionItemTitle() const { return functionItemTitle_; }
    const QStringList& functionItemChilds() const { return functionItemChilds_; }
    int selectFunListItemIndex() const { return selectFunListItemIndex_; }
    int selectItemIndex() const { return selectItemIndex_; }
    int selectFunctionOfsetIndex() const { return selectFunctionOfsetIndex_; }
    int pageCount() const;
    // The chosen profile's category and name; empty when no tile of any category is chosen.
    QString chosenCategory() const { return chosenCategory_; }
    QString chosenItem() const { return chosenItem_; }
    // "Target Format: <profile>" in the interface language.
    QString titleText() const;
    // A category's tab title in the interface language.
    static QString categoryTitle(const QString& category);
    // The words a tile shows under its picture: the "Keep Original" tile's name, a user-made
    // profile's own name, or the kind of output under a container without codec.
    static QString tileCaption(const QString& category, const QString& item);
    bool isFolded() const;
    // The settings window while it is open.
    SettingWindowController* settingWindow() const;

    // The views, for the window's layout and for tests.
    ZylImageView* tabbarbackView = nullptr;
    QWidget* functionView = nullptr;
    ZylButton* showFunctionBtn = nullptr;
    ZylImageView* showFunctionIconView = nullptr;
    QWidget* functionItemScrollview = nullptr;
    QWidget* functionItemContainer = nullptr;
    ZylImageView* itemSelectView = nullptr;
    MouseMoveButton* left_move_item_Btn = nullptr;
    MouseMoveButton* right_move_item_Btn = nullptr;
    std::vector<LxCustomButton*> function_Items;
    // The tiles of the category shown, tile k (from 1) at k - 1, and their gears.
    std::vector<ZylButton*> functionItemBtn_Childs;
    std::vector<ZylButton*> gearBtns;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void initTabbarView();
    void initfunctionView();
    void initTitleButton();
    void initFunctionItemView(int k);
    void checkLeft_fight_btn_isDisable(int pages);
    void showCategory(int k);
    void layoutBand();
    void scrollToPage();
    QString pageKey(const QString& category) const;
    QString profilePath(const QString& category, const QString& item) const;
    QString picturePath(const QString& category, const QString& item) const;
    ZylButton* makeTile(int index, const QString& item);

    ProfileSet profiles_;
    Opener opener_;
    QStringList functionList_;
    QString functionItemTitle_;
    QStringList functionItemChilds_;
    int selectFunListItemIndex_ = 0;
    int selectItemIndex_ = 0;
    int selectFunctionOfsetIndex_ = 0;
    QString chosenCategory_, chosenItem_;
    bool choiceEnabled_ = true;
    QPointer<SettingWindowController> settingWindow_;
};
