#include "app/AppDelegate.h"

#include "app/LinkOpener.h"
#include "app/ShellLook.h"
#include "app/ViewController.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/BundlePaths.h"
#include "platform/Log.h"
#include "platform/QtTranslations.h"
#include "platform/UserDefaults.h"
#include "tools/shared/ToolWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStandardItemModel>
#include <QTextEdit>
#include <QUrl>
#include <algorithm>

namespace {

AppDelegate* gDelegate = nullptr;

const QString kAppLanguage = QStringLiteral("AppLanguage");
// The per-application preferred-language list, read at the next start in place of the
// platform's own list.
const QString kPreferredLanguages = QStringLiteral("AppleLanguages");
const char* const kTitleKey = "titleKey";
const char* const kTag = "tag";

QString text(const QString& key) {
    return NSBundle::localizedStringForKey(key);
}

int storedLanguage() {
    return int(std::clamp<long long>(UserDefaults::standardUserDefaults().integerForKey(kAppLanguage), 0, 8));
}

QAction* addItem(QMenu* menu, const char* key, int tag = 0) {
    QAction* action = menu->addAction(text(QString::fromUtf8(key)));
    action->setProperty(kTitleKey, QString::fromUtf8(key));
    if (tag)
        action->setProperty(kTag, tag);
    return action;
}

QMenu* addTopMenu(QMenuBar* bar, const char* key, int tag) {
    QMenu* menu = bar->addMenu(text(QString::fromUtf8(key)));
    menu->menuAction()->setProperty(kTitleKey, QString::fromUtf8(key));
    menu->menuAction()->setProperty(kTag, tag);
    return menu;
}

// Runs a text-editing slot on whichever text field has the focus.
void forwardToFocus(const char* slot) {
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus))
        QMetaObject::invokeMethod(focus, slot);
}

} // namespace

AppDelegate::AppDelegate() {
    gDelegate = this;
    // The stored language decides the direction the windows are built in.
    NSBundle::applyLayoutDirection();
    window_ = std::make_unique<QMainWindow>();
    window_->setObjectName(QStringLiteral("mainWindow"));
    viewController_ = new ViewController(window_.get());
    window_->setCentralWidget(viewController_);
    buildMenus();
}

AppDelegate::~AppDelegate() {
    // The home screen goes before the delegate pointer so that nothing it runs while
    // closing finds a half-destroyed delegate.
    window_.reset();
    if (gDelegate == this)
        gDelegate = nullptr;
}

AppDelegate* AppDelegate::sharedAppDelegate() {
    return gDelegate;
}

QMenuBar* AppDelegate::mainMenu() const {
    return window_->menuBar();
}

bool AppDelegate::tableOffersFourLanguages() {
    return NSBundle::languageCount() == 4;
}

QString AppDelegate::languageCode(int language, bool fourLanguages) {
    if (fourLanguages) {
        switch (language) {
        case 1:
            return QStringLiteral("zh_Hant");
        case 2:
            return QStringLiteral("fr");
        case 3:
            return QStringLiteral("ja");
        default:
            return QStringLiteral("en");
        }
    }
    switch (language) {
    case 1:
        return QStringLiteral("zh_CN");
    case 2:
        return QStringLiteral("zh_HK");
    case 3:
        return QStringLiteral("fr");
    case 4:
        return QStringLiteral("de");
    case 5:
        return QStringLiteral("ja");
    case 6:
        return QStringLiteral("es");
    case 7:
        return QStringLiteral("pt");
    case 8:
        return QStringLiteral("ar");
    default:
        return QStringLiteral("en");
    }
}

void AppDelegate::buildMenus() {
    QMenuBar* bar = window_->menuBar();
    // The language pull-down sits in the menu bar's corner, which a global menu bar would hide.
    bar->setNativeMenuBar(false);

    QMenu* appMenu = addTopMenu(bar, "Ixy-de-Rz5.title", 10);
    QAction* about = addItem(appMenu, "aboutBtnTitle");
    connect(about, &QAction::triggered, this, [this, about] { viewController_->aboutAction(about); });
    QAction* homepage = addItem(appMenu, "HomepageBtnTitle");
    connect(homepage, &QAction::triggered, this,
            [this] { linkopener::open(window_.get(), QUrl(text(QStringLiteral("homepageUrl")))); });
    appMenu->addSeparator();
    QAction* quit = addItem(appMenu, "Quit");
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &AppDelegate::terminate);

    QMenu* editMenu = addTopMenu(bar, "5kV-Vb-QxS.title", 100);
    const std::pair<const char*, QKeySequence::StandardKey> editItems[] = {
        {"Undo", QKeySequence::Undo},   {"Redo", QKeySequence::Redo},
        {"Cut", QKeySequence::Cut},     {"Copy", QKeySequence::Copy},
        {"Paste", QKeySequence::Paste}, {"Select All", QKeySequence::SelectAll}};
    for (const auto& [key, shortcut] : editItems) {
        QAction* item = addItem(editMenu, key);
        item->setShortcut(shortcut);
        QByteArray slot = QByteArray(key).toLower().replace(' ', "");
        slot = slot == "selectall" ? QByteArray("selectAll") : slot;
        connect(item, &QAction::triggered, this, [slot] { forwardToFocus(slot.constData()); });
    }

    QMenu* windowMenu = addTopMenu(bar, "4sb-4s-VLi.title", 200);
    QAction* minimize = addItem(windowMenu, "Minimize");
    minimize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(minimize, &QAction::triggered, this, [] {
        if (QWidget* active = QApplication::activeWindow())
            active->showMinimized();
    });

    languageMenu_ = addTopMenu(bar, "LanguageBtnTitle", 20);

    QMenu* helpMenu = addTopMenu(bar, "FKE-Sm-Kum.title", 30);
    helpItemBtn_ = addItem(helpMenu, "FKE-Sm-Kum.title");
    helpItemBtn_->setShortcut(QKeySequence::HelpContents);

    langeuagePopBtn_ = new QComboBox(bar);
    langeuagePopBtn_->setObjectName(QStringLiteral("langeuagePopBtn"));
    langeuagePopBtn_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    bar->setCornerWidget(langeuagePopBtn_, Qt::TopRightCorner);
    connect(langeuagePopBtn_, &QComboBox::activated, this, &AppDelegate::langeuageAction);
}

void AppDelegate::applicationDidFinishLaunching() {
    // The table (four or nine languages) is decided once, before anything is looked up.
    NSBundle::setLanguage();
    fourLanguages_ = tableOffersFourLanguages();
    qttranslations::install(NSBundle::currentLanguageCode());
    QApplication::setQuitOnLastWindowClosed(true);

    for (int i = 0, count = fourLanguages_ ? 4 : 9; i < count; ++i) {
        QAction* item =
            addItem(languageMenu_, QStringLiteral("LangeuageItem%1").arg(i).toUtf8().constData(), 100 + i);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { changeLangeuage(item); });
    }
    setMenuTitles();

    shelllook::paintBrandBackground(window_.get());
    window_->setWindowTitle(text(QStringLiteral("Ixy-de-Rz5.title")));
    const QColor blue = shelllook::brandBlue();
    window_->menuBar()->setStyleSheet(QStringLiteral("QMenuBar { background: %1; color: white; }"
                                                     "QMenuBar::item { background: transparent; }"
                                                     "QMenuBar::item:selected { background: %2; }")
                                          .arg(blue.name(), blue.darker(115).name()));

    connect(helpItemBtn_, &QAction::triggered, this, &AppDelegate::showHelpAction);

    fillLanguagePopUp();
    markLanguageMenu();

    window_->resize(window_->sizeHint().expandedTo(window_->minimumSizeHint()));
    if (const QScreen* screen = window_->screen()) {
        QRect frame = window_->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window_->move(frame.topLeft());
    }
    window_->show();
}

void AppDelegate::setMenuTitles() {
    const auto retitle = [](QMenu* menu, auto& self) -> void {
        for (QAction* action : menu->actions()) {
            const QString key = action->property(kTitleKey).toString();
            if (!key.isEmpty())
                action->setText(text(key));
            if (action->menu())
                self(action->menu(), self);
        }
    };
    for (QAction* top : window_->menuBar()->actions()) {
        const QString key = top->property(kTitleKey).toString();
        if (!key.isEmpty()) {
            top->setText(text(key));
            if (top->menu())
                top->menu()->setTitle(top->text());
        }
        if (top->menu())
            retitle(top->menu(), retitle);
    }
}

void AppDelegate::fillLanguagePopUp() {
    const QSignalBlocker blocker(langeuagePopBtn_);
    langeuagePopBtn_->clear();
    const int languages = fourLanguages_ ? 4 : 9;
    langeuagePopBtn_->addItem(text(QStringLiteral("LanguageBtnTitle")));
    for (int i = 0; i < languages; ++i)
        langeuagePopBtn_->addItem(text(QStringLiteral("LangeuageItem%1").arg(i)));

    QFont font = langeuagePopBtn_->font();
    font.setPixelSize(14);
    auto* model = qobject_cast<QStandardItemModel*>(langeuagePopBtn_->model());
    for (int row = 0; row < langeuagePopBtn_->count(); ++row) {
        langeuagePopBtn_->setItemData(row, font, Qt::FontRole);
        langeuagePopBtn_->setItemData(row, shelllook::brandBlue(), Qt::ForegroundRole);
    }
    // Item 0 is the pull-down's title, not a language.
    if (model)
        model->item(0)->setEnabled(false);
    langeuagePopBtn_->setToolTip(text(QStringLiteral("LanguageBtnTitle")));

    int selected = storedLanguage() + 1;
    // A stored index past the short table shows English, the language its texts come in.
    if (selected >= langeuagePopBtn_->count())
        selected = 1;
    langeuagePopBtn_->setCurrentIndex(selected);
}

void AppDelegate::markLanguageMenu() {
    const int current = langeuagePopBtn_->currentIndex() - 1;
    for (QAction* item : languageMenu_->actions())
        item->setChecked(item->property(kTag).toInt() - 100 == current);
}

void AppDelegate::langeuageAction(int selectedIndex) {
    if (selectedIndex < 1)
        return;
    setLange(selectedIndex - 1);
}

void AppDelegate::changeLangeuage(QAction* sender) {
    if (!sender)
        return;
    setLange(sender->property(kTag).toInt() - 100);
}

void AppDelegate::setLange(int language) {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setInteger(language, kAppLanguage);
    defaults.setObject(QStringList{languageCode(language, fourLanguages_)}, kPreferredLanguages);
    defaults.synchronize();
    NSBundle::setLanguage();
    qttranslations::install(NSBundle::currentLanguageCode());
    qCDebug(lcApp) << "interface language" << language << languageCode(language, fourLanguages_);

    setMenuTitles();
    fillLanguagePopUp();
    markLanguageMenu();
    window_->setWindowTitle(text(QStringLiteral("Ixy-de-Rz5.title")));
    viewController_->langeuageAction();
}

void AppDelegate::terminate() {
    // Closing every window quits the program; a tool window stops its export as it closes,
    // and the program waits for the stopped job before it ends.
    ToolWindow::askBeforeQuit([] { QApplication::closeAllWindows(); });
}

void AppDelegate::showHelpAction() {
    // The page of the interface language when there is one, else the English index page.
    const QDir help(QDir(bundle::resourcePath()).filePath(QStringLiteral("help")));
    for (const QString& name :
         {NSBundle::currentLanguageCode() + QStringLiteral(".html"), QStringLiteral("index.html")})
        if (QFileInfo::exists(help.filePath(name))) {
            linkopener::open(window_.get(), QUrl::fromLocalFile(help.filePath(name)));
            return;
        }
    linkopener::open(window_.get(), QUrl(text(QStringLiteral("supprotUrl"))));
}
