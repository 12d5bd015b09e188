// The tile strip of one category: its pages, the chosen tile and the remembered choice.
#include "tools/shared/FormatBrowser.h"

#include "foundation/controls/LxCustomButton.h"
#include "foundation/controls/MouseMoveButton.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "platform/UserDefaults.h"
#include "profiles/ProfileTile.h"
#include "tools/shared/Loc.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kTileWidth = 90;
constexpr int kTilePitch = 100;
constexpr int kPagePitch = kTilePitch * FormatBrowser::kTilesPerPage;
constexpr int kGearSize = 28;
const QColor kStripColour(134, 140, 147);

const QString kCategoryKey = QStringLiteral("selectFunListItemIndex");
const QString kItemKey = QStringLiteral("selectItemIndex");

UserDefaults& defaults() {
    return UserDefaults::standardUserDefaults();
}

// A tile's picture while nothing can be chosen: the same picture, faded.
NamedImage faded(const NamedImage& icon) {
    if (icon.isNil())
        return icon;
    QImage image(icon.image().size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setOpacity(0.4);
    p.drawImage(0, 0, icon.image());
    p.end();
    return NamedImage(icon.name(), image);
}
} // namespace

QString FormatBrowser::pageKey(const QString& category) const {
    return QStringLiteral("%1_selectFunctionOfsetIndex").arg(category);
}

int FormatBrowser::pageCount() const {
    return int((functionItemChilds_.size() + kTilesPerPage - 1) / kTilesPerPage);
}

QString FormatBrowser::profilePath(const QString& category, const QString& item) const {
    return profiles_.profilePath(category, item);
}

QString FormatBrowser::picturePath(const QString& category, const QString& item) const {
    const QString file = item + QStringLiteral(".png");
    // A user-made profile's picture lies beside it; "Keep Original" keeps the shipped one.
    if (category == ProfileSet::kCustomCategory && item != ProfileSet::kKeepOriginal) {
        for (const QString& folder : ProfileSet::customFolders()) {
            QString path = QDir(folder).filePath(file);
            if (QFileInfo::exists(path))
                return path;
        }
        return {};
    }
    return QDir(profiles_.rootFolder()).filePath(category + QLatin1Char('/') + file);
}

QString FormatBrowser::tileCaption(const QString& category, const QString& item) {
    if (item == ProfileSet::kKeepOriginal)
        return loc("Keep_OriginalStringValue");
    if (category == ProfileSet::kCustomCategory)
        return item;
    // A shipped tile names its codec in pictures ("mkv(HEVC)"); one without says its kind.
    if (item.contains(QLatin1Char('(')))
        return {};
    return loc(category == ProfileSet::kAudioCategory ? "AudioLabelTitle" : "VideoLabelTitle");
}

ZylButton* FormatBrowser::makeTile(int index, const QString& item) {
    const int height = functionItemContainer->height();
    auto* tile = new ZylButton(functionItemContainer);
    // Tile 1 stands at the strip's leading edge: its right in a right-to-left language.
    geometry::setLeadingGeometry(tile, QRect(index * kTilePitch, 0, kTileWidth, height));
    tile->setContentTitle(QString());
    const QString path = picturePath(functionItemTitle_, item);
    // A missing picture leaves the tile blank; it still works.
    const NamedImage icon(
        path, path.isEmpty() ? QImage()
                             : profiletile::withCaption(QImage(path), tileCaption(functionItemTitle_, item)));
    tile->setNormalImage(icon);
    tile->setDownImage(icon);
    tile->setOnImage(icon);
    tile->setDisAbleImage(faded(icon));
    tile->setSelectedImage(icon);
    tile->setToolTip(item == ProfileSet::kKeepOriginal ? loc("Keep_OriginalStringValue") : item);
    tile->setEnabled(choiceEnabled_);
    const int tag = index + 1;
    QPointer<FormatBrowser> self(this);
    tile->mouseDownAction = [self, tag](ZylButton*) {
        if (self)
            self->actionFunctionItemScrollChild(tag);
    };

    auto* gear = new ZylButton(tile);
    geometry::setLeadingGeometry(gear, QRect(kTileWidth - kGearSize, 0, kGearSize, kGearSize));
    gear->setContentTitle(QString());
    gear->setNormalImage(NamedImage("Resources/setingParam.png"));
    gear->setEnabled(choiceEnabled_);
    gear->hide();
    gear->mouseDownAction = [self, tag](ZylButton*) {
        if (self)
            self->actionEditsetting(tag);
    };
    gearBtns.push_back(gear);
    return tile;
}

void FormatBrowser::initFunctionItemView(int k) {
    const int n = int(functionList_.size());
    functionItemTitle_ = k >= 1 && k <= n ? functionList_[k - 1] : QString();
    functionItemChilds_ = functionItemTitle_.isEmpty() ? QStringList() : profiles_.items(functionItemTitle_);
    // A stored page past the category's last (its profiles were removed) shows the last.
    selectFunctionOfsetIndex_ = std::clamp(int(defaults().integerForKey(pageKey(functionItemTitle_))), 0,
                                           std::max(pageCount() - 1, 0));
    selectItemIndex_ = int(defaults().integerForKey(kItemKey));
    if (selectItemIndex_ == 0 && k == 1)
        selectItemIndex_ = 1;

    delete functionItemScrollview;
    functionItemBtn_Childs.clear();
    gearBtns.clear();
    functionItemScrollview = new QWidget(this);
    functionItemScrollview->setAutoFillBackground(true);
    QPalette p = functionItemScrollview->palette();
    p.setColor(QPalette::Window, kStripColour);
    functionItemScrollview->setPalette(p);
    layoutBand();
    functionItemContainer = new QWidget(functionItemScrollview);
    functionItemContainer->resize(std::max(pageCount(), 1) * kPagePitch,
                                  functionItemScrollview->height() - 15);
    itemSelectView = new ZylImageView(functionItemContainer);
    itemSelectView->hide();
    for (int i = 0; i < functionItemChilds_.size(); ++i)
        functionItemBtn_Childs.push_back(makeTile(i, functionItemChilds_[i]));
    // Shown once built, so that the tiles show with it in a window already on screen.
    functionItemScrollview->setVisible(!isFolded());

    selectFunListItemIndex_ = int(defaults().integerForKey(kCategoryKey));
    if (functionItemTitle_.isEmpty() || selectItemIndex_ == 0 || selectFunListItemIndex_ != k)
        return;
    if (selectItemIndex_ <= functionItemChilds_.size()) {
        actionFunctionItemScrollChild(selectItemIndex_);
        return;
    }
    // The remembered tile is gone: nothing is chosen, and every value keeps the source's.
    selectItemIndex_ = 0;
    defaults().setInteger(0, kItemKey);
    chosenCategory_.clear();
    chosenItem_.clear();
    showFunctionBtn->setContentTitle(QString());
    if (profileChosen)
        profileChosen(functionItemTitle_, QString(), QString());
}

void FormatBrowser::actionFunctionItemScrollChild(int tag) {
    if (tag < 1 || tag > int(functionItemBtn_Childs.size()))
        return;
    ZylButton* tile = functionItemBtn_Childs[size_t(tag - 1)];
    itemSelectView->setGeometry(tile->geometry());
    itemSelectView->setBackGroundImage(NamedImage("Resources/selItemBack.png"));
    itemSelectView->show();
    itemSelectView->lower();

    selectItemIndex_ = tag;
    defaults().setInteger(tag, kItemKey);
    selectFunListItemIndex_ = int(functionList_.indexOf(functionItemTitle_)) + 1;
    defaults().setInteger(selectFunListItemIndex_, kCategoryKey);
    for (size_t i = 0; i < gearBtns.size(); ++i)
        gearBtns[i]->setVisible(int(i) + 1 == tag);

    chosenCategory_ = functionItemTitle_;
    chosenItem_ = functionItemChilds_[tag - 1];
    showFunctionBtn->setContentTitle(titleText());
    layoutBand();
    if (profileChosen)
        profileChosen(chosenCategory_, chosenItem_, profilePath(chosenCategory_, chosenItem_));
}

void FormatBrowser::action_left_move_item_Btn() {
    selectFunctionOfsetIndex_ = int(defaults().integerForKey(pageKey(functionItemTitle_)));
    if (selectFunctionOfsetIndex_ > 0)
        --selectFunctionOfsetIndex_;
    checkLeft_fight_btn_isDisable(pageCount());
}

void FormatBrowser::action_right_move_item_Btn() {
    selectFunctionOfsetIndex_ = int(defaults().integerForKey(pageKey(functionItemTitle_)));
    if (selectFunctionOfsetIndex_ + 1 < pageCount())
        ++selectFunctionOfsetIndex_;
    checkLeft_fight_btn_isDisable(pageCount());
}

void FormatBrowser::checkLeft_fight_btn_isDisable(int pages) {
    selectFunctionOfsetIndex_ = std::clamp(selectFunctionOfsetIndex_, 0, std::max(pages - 1, 0));
    left_move_item_Btn->setEnabled(selectFunctionOfsetIndex_ >= 1);
    right_move_item_Btn->setEnabled(selectFunctionOfsetIndex_ + 1 < pages);
    if (!functionItemTitle_.isEmpty())
        defaults().setInteger(selectFunctionOfsetIndex_, pageKey(functionItemTitle_));
    scrollToPage();
}

void FormatBrowser::scrollToPage() {
    if (functionItemContainer)
        geometry::setLeadingGeometry(functionItemContainer,
                                     QRect(-selectFunctionOfsetIndex_ * kPagePitch, 0,
                                           functionItemContainer->width(), functionItemContainer->height()));
}

void FormatBrowser::chooseCustomProfile(const QString& path) {
    const QString item = QFileInfo(path).completeBaseName();
    if (!functionList_.contains(ProfileSet::kCustomCategory))
        initfunctionView();
    const int k = int(functionList_.indexOf(ProfileSet::kCustomCategory)) + 1;
    const int tile = int(profiles_.items(ProfileSet::kCustomCategory).indexOf(item)) + 1;
    if (k < 1 || tile < 1)
        return;
    defaults().setInteger(k, kCategoryKey);
    defaults().setInteger(tile, kItemKey);
    defaults().setInteger((tile - 1) / kTilesPerPage, pageKey(ProfileSet::kCustomCategory));
    showCategory(k);
}
