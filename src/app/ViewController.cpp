#include "app/ViewController.h"

#include "app/AboutUsWindowController.h"
#include "app/LinkOpener.h"
#include "app/ShellLook.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/Dispatch.h"
#include "platform/Geometry.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QUrl>
#include <cmath>

namespace {

// Everything fixed for one home tile.
struct TileEntry {
    HomeTool tool;
    const char* normalImage;
    const char* hoverKey;
    const char* labelKeyAtCreation;
    const char* labelKeyAtLayout;
    const char* titleKey;
};

// In the order of HomeTool.
constexpr std::array<TileEntry, kHomeToolCount> kTiles{{
    {HomeTool::Crop, "Main/btnCrop_Normal.bmp", "Crop_PlaceholderString", "tool_cropItemTitle",
     "tool_cropItemTitle", "Crop_Title"},
    {HomeTool::Effect, "Main/btnEffect_Normal.bmp", "Effect_PlaceholderString", "tool_effectItemTitle",
     "tool_effectItemTitle", "Effect_Title"},
    {HomeTool::Subtitle, "Main/btnSubtitle_Normal.bmp", "Subtitle_PlaceholderString",
     "tool_subtitleItemTitle", "tool_subtitleItemTitle", "Subtitle_Title"},
    {HomeTool::Watermark, "Main/btnWatermark_Normal.bmp", "Watermark_PlaceholderString",
     "tool_watermarkItemTitle", "tool_watermarkItemTitle", "Watermark_Title"},
    {HomeTool::Joinner, "Main/btnJoin_Normal.bmp", "Joinner_PlaceholderString", "tool_joinnerItemTitle",
     "JoinnervideoWinTitle", "Joinner_Title"},
    {HomeTool::EasyCutter, "Main/btnEasyCut_Normal.bmp", "EasyCut_PlaceholderString", "EasycutterstringValue",
     "EasycutterstringValue", "EasyCut_Title"},
    {HomeTool::BatchCutter, "Main/btnBatchCut_Normal.bmp", "BatchCut_PlaceholderString",
     "BatchcutterstringValue", "BatchcutterstringValue", "BatchCut_Title"},
    {HomeTool::AdvancedCutter, "Main/btnAdvancedCut_Normal.bmp", "AdvancedCut_PlaceholderString",
     "AdvancedCutterstringValue", "AdvancedCutterstringValue", "AdvancedCut_Title"},
    {HomeTool::Rotate, "Main/btnRotation_Normal.bmp", "Rotate_PlaceholderString", "tool_rotateItemTitle",
     "tool_rotateItemTitle", "Rotate_Title"},
    {HomeTool::AddMusic, "Main/btnMusic_Normal.bmp", "AddMusic_PlaceholderString", "tool_musicBtnTitle",
     "tool_musicBtnTitle", "AddMusic_Title"},
    {HomeTool::Split, "Main/btnSplit_Normal.bmp", "Split_PlaceholderString", "SplitBtnstringValue",
     "SplitBtnstringValue", "Split_Title"},
}};

// Grid cell (column, row) of each tile: the cutters first, then the editor's tools.
constexpr std::array<std::pair<double, int>, kHomeToolCount> kCells{{
    {1, 1},   // crop
    {3, 1},   // effect
    {1.5, 2}, // subtitle
    {0.5, 2}, // watermark
    {2, 0},   // join
    {0, 0},   // easy cut
    {1, 0},   // batch cut
    {0, 1},   // advanced cut
    {2, 1},   // rotate
    {2.5, 2}, // add music
    {3, 0},   // split
}};

// The light panel fills the view; the About and Homepage buttons sit in its top band.
constexpr int kTileWidth = 170;
constexpr int kTileHeight = 110;
constexpr int kTileGap = 16;
constexpr int kTopBarHeight = 44;
constexpr int kTextButtonTop = 10;
constexpr int kTextButtonHeight = 24;
constexpr int kSideMargin = 30;
constexpr int kDescHeight = 24;
constexpr int kLabelTag = 100;

QString text(const char* key) {
    return NSBundle::localizedStringForKey(QString::fromUtf8(key));
}

QString stateImage(const char* normalName, const char* state) {
    return QString::fromUtf8(normalName).replace(QStringLiteral("_Normal"), QString::fromUtf8(state));
}

} // namespace

ViewController::ViewController(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ViewController"));
    setMinimumSize(4 * kTileWidth + 3 * kTileGap + 2 * kSideMargin,
                   kTopBarHeight + 3 * kTileHeight + 2 * kTileGap + kDescHeight + 60);
    resize(minimumSize());

    backImageView_ = new ZylImageView(this);
    descLabel1_ = new QLabel(this);
    descLabel1_->setObjectName(QStringLiteral("descLabel1"));
    for (int i = 0; i < kHomeToolCount; ++i) {
        tiles_[i].button = new ZylButton(backImageView_);
        tiles_[i].button->setObjectName(
            QString::fromUtf8(kTiles[i].normalImage).section('/', 1).section('_', 0, 0));
    }
    aboutButton_ = new ZylButton(this);
    aboutButton_->setObjectName(QStringLiteral("aboutButton"));
    homepageButton_ = new ZylButton(this);
    homepageButton_->setObjectName(QStringLiteral("homepageButton"));
    viewDidLoad();
}

ViewController::~ViewController() = default;

void ViewController::viewDidLoad() {
    shelllook::paintBrandBackground(this);

    // Any tool window announces its closing with this notification; the sender is not examined.
    NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("WillCloseNotification"), nullptr, [this](const Notification&) { childEnable(); },
        this);

    backImageView_->setBackGroundColor(shelllook::lightGrey());
    backImageView_->setBordColor(shelllook::lightGrey());
    backImageView_->setCornerRadius(1);
    backImageView_->setBorderWidth(0);

    for (int i = 0; i < kHomeToolCount; ++i) {
        ZylButton* tile = tiles_[i].button;
        const TileEntry& entry = kTiles[i];
        tile->setNormalImage(QString::fromUtf8(entry.normalImage));
        tile->setOnImage(stateImage(entry.normalImage, "_On"));
        tile->setDownImage(stateImage(entry.normalImage, "_Down"));
        tile->setDisAbleImage(stateImage(entry.normalImage, "_Disable"));
        const QString hoverKey = QString::fromUtf8(entry.hoverKey);
        tile->mouseEntered = [this, hoverKey](ZylButton*) {
            dispatchMain(
                this, [this, hoverKey] { descLabel1_->setText(NSBundle::localizedStringForKey(hoverKey)); });
        };
        tile->mouseExited = [this](ZylButton*) {
            dispatchMain(this, [this] { descLabel1_->setText(idleDescription()); });
        };
        const HomeTool tool = entry.tool;
        tile->mouseDownAction = [this, tool](ZylButton* sender) {
            dispatchMain(this, [this, tool, sender] { openTool(tool, sender); });
        };
    }

    aboutButton_->setNormalImage(QStringLiteral("Main/btnAbout_Normal.png"));
    aboutButton_->setContentColor(shelllook::brandBlue());
    aboutButton_->setContentTitle(text("aboutBtnTitle"));
    aboutButton_->mouseDownAction = [this](ZylButton* sender) {
        dispatchMain(this, [this, sender] { aboutAction(sender); });
    };

    homepageButton_->setNormalImage(QStringLiteral("Main/btnHomepage_Normal.png"));
    homepageButton_->setContentColor(shelllook::brandBlue());
    homepageButton_->setContentTitle(text("HomepageBtnTitle"));
    homepageButton_->mouseDownAction = [this](ZylButton*) {
        dispatchMain(this, [this] { linkopener::open(this, QUrl(text("homepageUrl"))); });
    };

    QPalette descPalette = descLabel1_->palette();
    descPalette.setColor(QPalette::WindowText, shelllook::brandBlue());
    descPalette.setColor(QPalette::Disabled, QPalette::WindowText, shelllook::brandBlue());
    descLabel1_->setPalette(descPalette);
    descLabel1_->setEnabled(false);
    descLabel1_->setText(idleDescription());

    initButtonTitle();
    enable(true);
    placeTiles();
    viewDidLayout();
}

QString ViewController::idleDescription() {
    return text("Title") + text("viewController_normalDescLabelString");
}

void ViewController::initButtonTitle() {
    for (int i = 0; i < kHomeToolCount; ++i) {
        ZylButton* tile = tiles_[i].button;
        auto* label = new QLabel(tile);
        // Tile frame: x 10, 25 below the top edge, 20 narrower than the tile, 20 high.
        label->setGeometry(10, 5, tile->width() - 20, 20);
        QFont font = label->font();
        font.setPixelSize(13);
        label->setFont(font);
        // White in every state: a disabled tile's picture already shows it is disabled.
        label->setStyleSheet(QStringLiteral("QLabel { color: white; background: transparent; }"));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setAutoFillBackground(false);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setProperty("tag", kLabelTag);
        label->setText(text(kTiles[i].labelKeyAtCreation));
        tiles_[i].label = label;
    }
}

void ViewController::placeTiles() {
    const QRect panel = rect();
    backImageView_->setGeometry(panel);
    const int gridWidth = 4 * kTileWidth + 3 * kTileGap;
    const int gridHeight = 3 * kTileHeight + 2 * kTileGap;
    const int left = (panel.width() - gridWidth) / 2;
    const int top =
        kTopBarHeight + std::max(0, (panel.height() - kTopBarHeight - kDescHeight - 20 - gridHeight) / 2);
    for (int i = 0; i < kHomeToolCount; ++i) {
        const auto [column, row] = kCells[i];
        const int x = left + int(std::lround(column * (kTileWidth + kTileGap)));
        const int y = top + row * (kTileHeight + kTileGap);
        // Columns count from the leading edge: from the right in a right-to-left language.
        geometry::setLeadingGeometry(tiles_[i].button, QRect(x, y, kTileWidth, kTileHeight));
        if (tiles_[i].label)
            tiles_[i].label->setGeometry(10, 5, kTileWidth - 20, 20);
    }
    descLabel1_->setGeometry(left, panel.bottom() - kDescHeight - 12, gridWidth, kDescHeight);
    descLabel1_->raise();
    aboutButton_->raise();
    homepageButton_->raise();
}

double ViewController::textButtonWidth(const QString& title) const {
    if (title.isEmpty())
        return 25;
    const QFontMetricsF metrics(homepageButton_->font());
    const QRectF box = metrics.boundingRect(QRectF(0, 0, 150, 20), Qt::TextWordWrap, title);
    return box.width() + 25;
}

void ViewController::viewDidLayout() {
    QString homepageTitle = text("HomepageBtnTitle");
    homepageButton_->setContentTitle(homepageTitle);
    const int homepageWidth = int(std::ceil(textButtonWidth(homepageTitle)));
    const int homepageX = width() - homepageWidth - 5;
    geometry::setLeadingGeometry(homepageButton_,
                                 QRect(homepageX, kTextButtonTop, homepageWidth, kTextButtonHeight));

    const QString aboutTitle = text("aboutBtnTitle");
    aboutButton_->setContentTitle(aboutTitle);
    const int aboutWidth = int(std::ceil(textButtonWidth(aboutTitle)));
    geometry::setLeadingGeometry(
        aboutButton_, QRect(homepageX - aboutWidth - 5, kTextButtonTop, aboutWidth, kTextButtonHeight));

    for (int i = 0; i < kHomeToolCount; ++i)
        if (tiles_[i].label)
            tiles_[i].label->setText(text(kTiles[i].labelKeyAtLayout));
}

void ViewController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeTiles();
    viewDidLayout();
}

void ViewController::enable(bool flag) {
    const ToolWindowRegistry& registry = ToolWindowRegistry::shared();
    for (int i = 0; i < kHomeToolCount; ++i)
        tiles_[i].button->setEnabled(flag && registry.hasFactory(kTiles[i].tool));
    aboutButton_->setEnabled(flag);
    homepageButton_->setEnabled(flag);
}

void ViewController::childEnable() {
    enable(true);
}

void ViewController::langeuageAction() {
    descLabel1_->setText(idleDescription());
    // A switch to or from a right-to-left language turns the grid around.
    placeTiles();
    viewDidLayout();
    update();
}

void ViewController::openTool(HomeTool tool, ZylButton* sender) {
    // Two clicks queued before the first one disabled the tiles must not open two windows.
    if (toolWindow_ || (sender && !sender->isEnabled()))
        return;
    QWidget* window = ToolWindowRegistry::shared().createWindow(tool);
    if (!window)
        return;
    toolWindow_ = window;
    const QScreen* screen =
        this->window()->screen() ? this->window()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->setWindowTitle(text(kTiles[static_cast<int>(tool)].titleKey));
    window->show();
    window->raise();
    window->activateWindow();
    enable(false);
}

void ViewController::cropAction(ZylButton* sender) {
    openTool(HomeTool::Crop, sender);
}
void ViewController::effectAction(ZylButton* sender) {
    openTool(HomeTool::Effect, sender);
}
void ViewController::subtitleAction(ZylButton* sender) {
    openTool(HomeTool::Subtitle, sender);
}
void ViewController::watermarkAction(ZylButton* sender) {
    openTool(HomeTool::Watermark, sender);
}
void ViewController::joinnerAction(ZylButton* sender) {
    openTool(HomeTool::Joinner, sender);
}
void ViewController::easy_cutterAction(ZylButton* sender) {
    openTool(HomeTool::EasyCutter, sender);
}
void ViewController::batch_cutterAction(ZylButton* sender) {
    openTool(HomeTool::BatchCutter, sender);
}
void ViewController::advanced_cutterAction(ZylButton* sender) {
    openTool(HomeTool::AdvancedCutter, sender);
}
void ViewController::rotateAction(ZylButton* sender) {
    openTool(HomeTool::Rotate, sender);
}
void ViewController::addOrremovemusicAction(ZylButton* sender) {
    openTool(HomeTool::AddMusic, sender);
}
void ViewController::splitAction(ZylButton* sender) {
    openTool(HomeTool::Split, sender);
}

void ViewController::aboutAction(QObject* sender) {
    if (!sender)
        return;
    auto* about = new AboutUsWindowController(this->window());
    const QRect home = this->window()->frameGeometry();
    about->setGeometry(home.x() + (home.width() - AboutUsWindowController::kWidth) / 2,
                       home.y() + (home.height() - AboutUsWindowController::kHeight) / 2,
                       AboutUsWindowController::kWidth, AboutUsWindowController::kHeight);
    about->show();
}
