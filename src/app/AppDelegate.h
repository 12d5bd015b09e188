// The application delegate: builds the main window around the home screen, titles the
// menus from the localisation table, puts the interface-language pull-down into the
// window's top area, switches the interface language and opens the help page.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QAction;
class QComboBox;
class QMainWindow;
class QMenu;
class QMenuBar;
class ViewController;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;

    // The one delegate of the running program (nullptr before it exists).
    static AppDelegate* sharedAppDelegate();

    // Builds and shows the main window, its menus and the language pull-down.
    void applicationDidFinishLaunching();

    // The language pull-down chose the item at `selectedIndex` (item 0 is its title).
    void langeuageAction(int selectedIndex);
    // A language menu item, tagged 100 + language index, was chosen.
    void changeLangeuage(QAction* sender);
    // Stores the interface language and shows every shell text in it at once.
    void setLange(int language);
    // The Quit item: asks first while an export runs, then closes every window.
    void terminate();
    // Opens the help page shipped with the program in the interface language (the support
    // address when no page is shipped).
    void showHelpAction();

    // True when the localisation table offers four languages instead of nine: it has no
    // translation of "LangeuageItem4".
    static bool tableOffersFourLanguages();
    // The platform language code stored for a language index.
    static QString languageCode(int language, bool fourLanguages);

    QMainWindow* mainWindow() const { return window_.get(); }
    ViewController* viewController() const { return viewController_; }
    QComboBox* langeuagePopBtn() const { return langeuagePopBtn_; }
    QMenuBar* mainMenu() const;
    QAction* helpItemBtn() const { return helpItemBtn_; }
    bool fourLanguages() const { return fourLanguages_; }

private:
    void buildMenus();
    void setMenuTitles();
    void fillLanguagePopUp();
    void markLanguageMenu();

    std::unique_ptr<QMainWindow> window_;
    ViewController* viewController_ = nullptr;
    QComboBox* langeuagePopBtn_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QAction* helpItemBtn_ = nullptr;
    bool fourLanguages_ = false;
};
