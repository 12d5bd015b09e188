// The band, the category tabs, the title button with its fold, and the settings window.
// The band's views are placed from its top: tabs, then the tile strip, then the title.
#include "tools/shared/FormatBrowser.h"

#include "foundation/controls/LxCustomButton.h"
#include "foundation/controls/MouseMoveButton.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "platform/Dispatch.h"
#include "platform/Geometry.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "profiles/CustomProfileWriter.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/SettingWindowController.h"
#include "tools/shared/Loc.h"
#include "tools/shared/ScreenRoom.h"

#include <QFontMetricsF>
#include <cmath>

namespace {
constexpr int kTabStripWidth = 700;
constexpr int kTabWidth = 120;
constexpr int kTabHeight = 24;
constexpr int kTabBarHeight = 28;
constexpr int kStripWidth = 790;
constexpr int kStripHeight = 110;
constexpr int kTitleWidth = 280;
constexpr int kTitleHeight = 30;
constexpr int kArrowSize = 28;
// The end of the title button kept clear of the fold icon, and the margin around its text.
constexpr int kIconInset = 48;
constexpr int kTitleMargin = 40;
} // namespace

FormatBrowser::FormatBrowser(ProfileSet profiles, Opener opener, QWidget* parent)
    : QWidget(parent), profiles_(std::move(profiles)), opener_(opener) {
    screenHeight = [this] {
        const QRect screen = ScreenRoom::screenGeometry(this);
        return screen.isEmpty() ? kLowScreenHeight + 1 : screen.height();
    };
    resize(parent ? parent->width() : kStripWidth, kBandHeight);
}

FormatBrowser::~FormatBrowser() {
    if (settingWindow_)
        settingWindow_->close();
}

void FormatBrowser::start() {
    // The band and its tabs are built once; a later start only shows the starting choice.
    if (!functionView) {
        initTabbarView();
        initTitleButton();
        initfunctionView();
        // A profile saved from the settings window is listed, and chosen, at once.
        QPointer<FormatBrowser> self(this);
        NotificationCenter::defaultCenter().addObserver(
            NSPfFileWrittenNotification, nullptr,
            [self](const Notification& n) {
                if (self)
                    self->chooseCustomProfile(n.userInfo.value(QStringLiteral("path")).toString());
            },
            this);
    }

    // Every window, the editor's too, and every newly opened file start on the remembered
    // category and tile, and report that choice at once.
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    int k = int(defaults.integerForKey(QStringLiteral("selectFunListItemIndex")));
    // A remembered tile belongs to its category only: without that category nothing of it
    // is chosen again.
    if (k < 1 || k > functionList_.size()) {
        k = 1;
        defaults.setInteger(0, QStringLiteral("selectItemIndex"));
    }
    defaults.setInteger(k, QStringLiteral("selectFunListItemIndex"));
    showCategory(k);
}

void FormatBrowser::initTabbarView() {
    tabbarbackView = new ZylImageView(this);
    tabbarbackView->setBackGroundImage(NamedImage("Resources/tabCategoryBack.png"));
    left_move_item_Btn = new MouseMoveButton(this);
    right_move_item_Btn = new MouseMoveButton(this);
    for (MouseMoveButton* arrow : {left_move_item_Btn, right_move_item_Btn}) {
        arrow->resize(kArrowSize, kArrowSize);
        arrow->setFocusPolicy(Qt::NoFocus);
    }
    // Each arrow points the way its pages lie: mirrored, the earlier pages lie to the right.
    const bool rtl = isRightToLeft();
    left_move_item_Btn->setImage(NamedImage(rtl ? "Resources/right_nor.png" : "Resources/left_nor.png"));
    left_move_item_Btn->setDisabledImage(
        NamedImage(rtl ? "Resources/right_dis.png" : "Resources/left_dis.png"));
    right_move_item_Btn->setImage(NamedImage(rtl ? "Resources/left_nor.png" : "Resources/right_nor.png"));
    right_move_item_Btn->setDisabledImage(
        NamedImage(rtl ? "Resources/left_dis.png" : "Resources/right_dis.png"));
    connect(left_move_item_Btn, &QPushButton::clicked, this, [this] { action_left_move_item_Btn(); });
    connect(right_move_item_Btn, &QPushButton::clicked, this, [this] { action_right_move_item_Btn(); });
}

void FormatBrowser::initfunctionView() {
    functionList_ = profiles_.categories();
    if (ProfileSet::customFolderHasEntries())
        functionList_.prepend(ProfileSet::kCustomCategory);
    // Built anew when the categories change: the old tabs go with their strip.
    delete functionView;
    function_Items.clear();
    functionView = new QWidget(this);
    functionView->resize(kTabStripWidth, kTabBarHeight);
    const int n = int(functionList_.size());
    // The tabs spread from the strip's left end to its right end; a single tab stands in the
    // middle.
    const float pitch = n > 1 ? float(kTabStripWidth - kTabWidth * n) / float(n - 1) + kTabWidth : 0;
    for (int i = 0; i < n; ++i) {
        auto* tab = new LxCustomButton(functionView);
        const int x = n > 1 ? int(float(i) * pitch) : (kTabStripWidth - kTabWidth) / 2;
        geometry::setLeadingGeometry(tab, QRect(x, 1, kTabWidth, kTabHeight));
        tab->setIndex(i + 1);
        tab->setSelectedBackImage(NamedImage("Resources/selImageView.png"));
        tab->setHightideBackImage(NamedImage("Resources/selImageView.png"));
        tab->setNormalTitleColor(QColor(207, 207, 207, 204));
        tab->setSelectedTitleColor(QColor(255, 255, 255, 204));
        tab->setCellTextPosition(4);
        tab->setFontsize(13);
        tab->setTitle(categoryTitle(functionList_[i]));
        tab->setEnabled(choiceEnabled_);
        tab->setSelected(false);
        tab->setDelegate(this);
        function_Items.push_back(tab);
    }
    layoutBand();
    // Shown once built, so that the tabs show with it in a window already on screen.
    functionView->setVisible(!isFolded());
}

void FormatBrowser::initTitleButton() {
    showFunctionBtn = new ZylButton(this);
    showFunctionBtn->resize(kTitleWidth, kTitleHeight);
    showFunctionBtn->setContentColor(Qt::black);
    showFunctionBtn->setContentTitle(QString());
    const NamedImage head("Resources/CategoryHead.png");
    showFunctionBtn->setNormalBackgroundImage(head);
    showFunctionBtn->setOnBackgroundImage(head);
    showFunctionBtn->setDownBackgroundImage(head);
    showFunctionBtn->setSelectedBackgroundImage(head);
    QFont f = showFunctionBtn->font();
    f.setPointSize(14);
    showFunctionBtn->setFont(f);
    QPointer<FormatBrowser> self(this);
    showFunctionBtn->mouseDownAction = [self](ZylButton*) {
        if (self)
            self->toggleFold();
    };
    // Only a low screen can fold the band, and only there does the title show the fold icon.
    if (screenHeight() < kLowScreenHeight) {
        // The centred title keeps clear of the icon, 40 points before the button's end.
        showFunctionBtn->setTitleEndInset(kIconInset);
        showFunctionIconView = new ZylImageView(showFunctionBtn);
        showFunctionIconView->setGeometry(kTitleWidth - 40, (kTitleHeight - 10) / 2 - 3, 8, 10);
        showFunctionIconView->setNormalImage(NamedImage("Resources/shrink.png"));
        showFunctionIconView->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    layoutBand();
}

void FormatBrowser::layoutBand() {
    const int w = width(), h = height();
    if (tabbarbackView)
        tabbarbackView->setGeometry(0, 0, w, kBandHeight - kTabBarHeight);
    const int arrowY = (kBandHeight - kTabBarHeight) / 2;
    // The arrow to the earlier pages stands at the leading edge.
    const int inset = opener_ == Opener::Joiner ? 36 : 16;
    if (left_move_item_Btn)
        geometry::setLeadingGeometry(left_move_item_Btn,
                                     QRect(QPoint(inset, arrowY), left_move_item_Btn->size()));
    if (right_move_item_Btn)
        geometry::setLeadingGeometry(right_move_item_Btn,
                                     QRect(QPoint(w - inset - 28, arrowY), right_move_item_Btn->size()));
    if (functionView)
        functionView->move((w - kTabStripWidth) / 2, 0);
    if (functionItemScrollview) {
        const int back = kBandHeight - kTabBarHeight;
        functionItemScrollview->setGeometry((w - kStripWidth) / 2,
                                            kTabBarHeight + (back - kTabBarHeight - 100) / 2 - 5, kStripWidth,
                                            kStripHeight);
    }
    // The title sits under the strip, or alone in the folded band, as wide as its text needs
    // beside the fold icon's clear end.
    if (showFunctionBtn) {
        const double text =
            QFontMetricsF(showFunctionBtn->font()).horizontalAdvance(showFunctionBtn->contentTitle());
        const int need = int(std::ceil(text)) + kTitleMargin + (showFunctionIconView ? kIconInset : 0);
        const int titleWidth = std::clamp(need, kTitleWidth, std::max(kTitleWidth, w - 2 * kArrowSize));
        showFunctionBtn->setGeometry(w / 2 - 5 - titleWidth / 2,
                                     isFolded() ? (h - kTitleHeight) / 2 : h - kTitleHeight, titleWidth,
                                     kTitleHeight);
        if (showFunctionIconView)
            showFunctionIconView->move(titleWidth - 40, showFunctionIconView->y());
    }
}

void FormatBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutBand();
}

void FormatBrowser::actionMouseUpForCustomButtonBlock(LxCustomButton* button) {
    actionFunctionItem(button);
}

void FormatBrowser::actionFunctionItem(LxCustomButton* tab) {
    if (!tab || !choiceEnabled_)
        return;
    showCategory(tab->index());
}

void FormatBrowser::showCategory(int k) {
    for (LxCustomButton* tab : function_Items)
        tab->setSelected(tab->index() == k);
    initFunctionItemView(k);
    checkLeft_fight_btn_isDisable(pageCount());
}

QString FormatBrowser::titleText() const {
    if (chosenItem_.isEmpty())
        return {};
    const QString name =
        chosenItem_ == ProfileSet::kKeepOriginal ? loc("Keep_OriginalStringValue") : chosenItem_;
    return loc("TargetFormatTitle").replace(QStringLiteral("%@"), name);
}

QString FormatBrowser::categoryTitle(const QString& category) {
    // The shipped categories and the user's own are named in the interface language; a
    // category of another set keeps its name.
    if (category == ProfileSet::kCustomCategory)
        return loc("CustomCategoryTitle");
    if (category == ProfileSet::kAudioCategory)
        return loc("AudioLabelTitle");
    if (category == QLatin1String("Video"))
        return loc("VideoLabelTitle");
    return category;
}

bool FormatBrowser::isFolded() const {
    return showFunctionBtn && showFunctionBtn->selected();
}

bool FormatBrowser::canFold() const {
    return screenHeight() <= kLowScreenHeight;
}

void FormatBrowser::toggleFold() {
    if (!canFold() && !isFolded())
        return;
    QPointer<FormatBrowser> self(this);
    dispatchMain([self] {
        if (self)
            self->setFolded(!self->isFolded());
    });
}

void FormatBrowser::setFolded(bool folded) {
    if (!showFunctionBtn || folded == isFolded())
        return;
    showFunctionBtn->setSelected(folded);
    if (showFunctionIconView)
        showFunctionIconView->setNormalImage(
            NamedImage(folded ? "Resources/Extend.png" : "Resources/shrink.png"));
    for (QWidget* w : {static_cast<QWidget*>(tabbarbackView), functionView, functionItemScrollview,
                       static_cast<QWidget*>(left_move_item_Btn), static_cast<QWidget*>(right_move_item_Btn)})
        if (w)
            w->setVisible(!folded);
    resize(width(), folded ? kBandHeight - kFoldHeight : kBandHeight);
    layoutBand();
    if (foldChanged)
        foldChanged(folded);
}

void FormatBrowser::setChoiceEnabled(bool enabled) {
    choiceEnabled_ = enabled;
    for (LxCustomButton* tab : function_Items) {
        tab->setEnabled(enabled);
        tab->setSelected(tab->selected());
    }
    for (ZylButton* tile : functionItemBtn_Childs)
        tile->setEnabled(enabled);
    for (ZylButton* gear : gearBtns)
        gear->setEnabled(enabled);
}

SettingWindowController* FormatBrowser::settingWindow() const {
    return settingWindow_;
}

void FormatBrowser::actionEditsetting(int tag) {
    if (!choiceEnabled_ || settingWindow_ || tag < 1 || tag > functionItemChilds_.size())
        return;
    const QString category = functionItemTitle_;
    auto* settings = new SettingWindowController(window());
    settings->setAttribute(Qt::WA_DeleteOnClose);
    settings->setJoinner(opener_ == Opener::Joiner);
    settings->setFileType(category == ProfileSet::kAudioCategory ? 2 : 1);
    settings->setFunctionItemTitle(category);
    settings->window();
    // Centred on the window that opened it.
    const QRect opener = window()->geometry();
    settings->move(opener.x() + (opener.width() - settings->width()) / 2,
                   opener.y() + (opener.height() - settings->height()) / 2);
    settings->setPfPath(profilePath(category, functionItemChilds_[tag - 1]));
    QPointer<FormatBrowser> self(this);
    settings->setSelectSettingCallbackBlock([self](long mask) {
        if (self && self->settingChanged)
            self->settingChanged(mask);
    });
    settings->setSettingCallbackBlock([self] {
        if (self && self->settingsRestored)
            self->settingsRestored();
    });
    if (prepareSettings)
        prepareSettings(settings);
    settings->displayViewChildes();
    settingWindow_ = settings;
    settings->open();
}
