// The watermark list: adding, deleting, selecting and checking marks, the overlay view over
// the player's picture and the records sent to the player.
#include "editor/overlays/WaterMarkPanel.h"

#include "editor/core/EditAspect.h"
#include "editor/core/EditRecipe.h"
#include "editor/core/EditorHost.h"

#include "editor/overlays/LxWaterView.h"
#include "editor/overlays/TextPictureCache.h"
#include "editor/overlays/WaterMarkCellItemView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/WaterParam.h"
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "platform/Panels.h"
#include "tools/shared/Loc.h"
#include "tools/shared/MediaOpenPanel.h"

#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QScrollArea>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kRowHeight = 24;
const QStringList kPictureTypes{"png", "jpg", "jpeg", "tiff", "gif", "bmp"};

QString lowerSuffix(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

QImage readPictureFile(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > 16384 || size.height() > 16384))
        return {};
    return reader.read();
}

// A still of a video's first frame, 180 pixels high (at most 1024 wide); null when the file
// is no video. *seconds gets its length.
QImage videoStill(const QString& path, double* seconds) {
    *seconds = 0;
    void* media = MediaOpen(path.toUtf8().constData());
    if (!media)
        return {};
    MEDIA_VIDEO_STREAM_INFO video{};
    QImage still;
    if (MediaGetInfo(media, nullptr, &video) >= 1 && video.exist && video.width > 0 && video.height > 0) {
        *seconds = double(MediaGetDuration(media)) / 1e6;
        const int w = std::clamp(int(video.width / (video.height / 180.0)), 2, 1024);
        QImage bgra(w, 180, QImage::Format_ARGB32_Premultiplied); // B, G, R, A in memory
        if (MediaSnapshot(media, 0, w, 180, bgra.bits(), 0) >= 1)
            still = bgra;
    }
    MediaClose(media);
    return still;
}

} // namespace

WaterMarkPanel::WaterMarkPanel(EditorHost& host, QWidget* parent)
    : QWidget(parent), EditorTool(host), cache_(std::make_unique<TextPictureCache>()) {
    setGeometry(parent->rect());
    buildControls();
    refresWaterMarkListView();
}

WaterMarkPanel::~WaterMarkPanel() {
    if (overlay_)
        delete overlay_.data();
}

WaterParam* WaterMarkPanel::selectedMark() const {
    return selected_ >= 0 && size_t(selected_) < list_.size() ? list_[size_t(selected_)].get() : nullptr;
}

double WaterMarkPanel::overlayWidth() const {
    return overlay_ ? overlay_->width() : 0;
}

bool WaterMarkPanel::editable() const {
    return host().player() != nullptr;
}

void WaterMarkPanel::clearList() {
    list_.clear();
    stills_.clear();
    selected_ = -1;
    cache_->prune(std::map<const void*, int>{});
    refresWaterMarkListView();
    if (overlay_) {
        overlay_->setWaterMark({});
        overlay_->setWaterMarkString({});
        overlay_->hide();
    }
}

void WaterMarkPanel::initWatermarkView() {
    if (overlay_)
        delete overlay_.data();
    QWidget* view = host().pictureView();
    if (!view)
        return;
    overlay_ = new LxWaterView(host().pictureRect(), view);
    overlay_->setVideoSize(host().videoSize());
    overlay_->mouseMoved = [this](const NSRect&) { storeOverlayRect(); };
    overlay_->mouseMoveEnded = [this](const NSRect&) {
        storeOverlayRect();
        refreshWaterTime();
    };
    overlay_->hide();
    if (overlayWidth() > 0)
        scaleWidth_ = overlayWidth();
    for (auto& m : list_)
        m->waterViewFrameWidth = float(overlayWidth());
    showSelectionOnOverlay();
}

void WaterMarkPanel::layoutOverlay() {
    if (!overlay_)
        return;
    if (overlay_->parentWidget() != host().pictureView())
        overlay_->setParent(host().pictureView());
    overlay_->setFrameRect(host().pictureRect());
    overlay_->setVideoSize(host().videoSize());
    // Marks keep their place on the picture; a text keeps its size relative to the picture.
    // A picture area of no size (a hidden window) changes nothing.
    const double w = overlayWidth();
    if (w <= 0)
        return;
    for (auto& m : list_) {
        if (m->waterType == WaterParam::kTypeText && scaleWidth_ > 0)
            m->waterFontSize = float(m->waterFontSize * w / scaleWidth_);
        m->waterViewFrameWidth = float(w);
    }
    scaleWidth_ = w;
    showSelectionOnOverlay();
}

void WaterMarkPanel::setToolShown(bool shown) {
    toolShown_ = shown;
    if (overlay_) {
        overlay_->setVisible(shown && !playing_ && selectedMark() && selectedMark()->selected);
        overlay_->raise();
    }
    refreshPlayerWaterMark(shown && !playing_);
}

void WaterMarkPanel::playStateChanged(bool playing) {
    playing_ = playing;
    enableWaterChildView(!playing && !list_.empty());
    setToolShown(toolShown_); // hides the overlay while playing and hands the player every mark
}

void WaterMarkPanel::refreshPlayerWaterMark(bool editing) {
    editing_ = editing;
    if (editing && overlay_ && selectedMark() && selectedMark()->selected && toolShown_)
        overlay_->show();
    host().applyEdit(edit::Marks);
}

bool WaterMarkPanel::exportRecords(overlays::MarkRecords* out, QString* error) {
    return overlays::buildMarkRecords(list_, host().videoSize(), overlayWidth(), -1, cache_.get(), out,
                                      error);
}

// The preview leaves the mark under edit to the overlay, while the overlay can show it; an
// export takes every checked mark, and stops when a text picture cannot be written.
bool WaterMarkPanel::contribute(EditRecipe& recipe) {
    QString error;
    if (recipe.purpose == EditRecipe::Purpose::Preview) {
        const int skip = editing_ && toolShown_ && !playing_ ? selected_ : -1;
        if (!overlays::buildMarkRecords(list_, host().videoSize(), overlayWidth(), skip, cache_.get(),
                                        &recipe.marks, &error))
            qCWarning(lcEditor) << "watermark preview:" << error;
        return true;
    }
    if (exportRecords(&recipe.marks, &error))
        return true;
    host().alert(loc("waterMarkNotWrittenString") + QStringLiteral("\n") + error);
    return false;
}

void WaterMarkPanel::fileOpened() {
    initWatermarkView();
    clearList();
    layoutOverlay();
    setToolShown(toolShown_);
}

void WaterMarkPanel::setEditable(bool editable) {
    enableWaterChildView(editable && !list_.empty());
}

// The marks turn and mirror with the picture, which the window has fitted again by now.
void WaterMarkPanel::pictureTurned(picture::Turn turn, QSizeF before) {
    picture::turnWatermarks(list_, before, turn);
    layoutOverlay();
    refreshPlayerWaterMark(false);
}

void WaterMarkPanel::pictureMoved() {
    layoutOverlay();
    setToolShown(toolShown_);
}

// Read once per file: the overlay shows the picture again at every change of the selection.
QImage WaterMarkPanel::pictureOf(const WaterParam& m) const {
    if (m.waterImagePath.isEmpty())
        return {};
    auto it = stills_.find(m.waterImagePath);
    if (it != stills_.end())
        return it->second;
    double seconds = 0;
    QImage picture = m.isVideo ? videoStill(m.waterImagePath, &seconds) : readPictureFile(m.waterImagePath);
    stills_[m.waterImagePath] = picture;
    return picture;
}

void WaterMarkPanel::openAddPicturePanel() {
    Panels::OpenOptions options;
    options.extensions = {"png", "jpg", "tiff", "jpeg", "mp4", "mov", "gif"};
    options.multiple = true;
    options.title = loc("MessageSelectafile");
    QPointer<WaterMarkPanel> self(this);
    MediaOpenPanel::openFiles(window(), options, [self](const QStringList& paths) {
        // Only the last chosen file is added.
        if (self)
            self->addPictureFile(paths.last());
    });
}

bool WaterMarkPanel::addPictureFile(const QString& path) {
    if (!overlay_ || path.isEmpty())
        return false;
    // The engine's records hold 259 bytes of path; a longer one would name another file.
    if (path.toUtf8().size() >= 260) {
        host().alert(loc("waterMarkPathTooLongString"));
        return false;
    }
    auto mark = std::make_shared<WaterParam>();
    mark->waterType = WaterParam::kTypePicture;
    mark->waterImagePath = path;
    mark->isVideo = !kPictureTypes.contains(lowerSuffix(path));
    QImage picture;
    if (mark->isVideo) {
        double seconds = 0;
        picture = videoStill(path, &seconds);
        mark->fileDuration = float(seconds);
        mark->fileEndTime = float(seconds);
    } else {
        picture = readPictureFile(path);
    }
    stills_[path] = picture;
    if (picture.isNull() || (mark->isVideo && mark->fileDuration <= 0)) {
        // Nothing usable to lay over the video: say so and leave the list as it was.
        host().alert(loc("waterMarkNotPictureString"));
        return false;
    }
    mark->selected = true;
    mark->keepaspectRatio = true;
    mark->startTime = 0;
    mark->duration = float(host().duration());
    overlay_->setWaterMarkAlph(0);
    overlay_->setWaterMark(picture);
    overlay_->setMarkWaterType(LxWaterView::kMarkPicture);
    overlay_->setScale_Type(LxWaterView::kScaleKeepAspect);
    overlay_->setClipRect(overlay_->getCheckClipRect(NSMakeRect(0, 0, picture.width(), picture.height())));
    mark->waterRect = overlay_->getclipRectFrame();
    mark->waterPercentClipRect = overlay_->getPercentImageClipRect();
    mark->waterViewFrameWidth = float(overlayWidth());
    list_.push_back(mark);
    selected_ = int(list_.size()) - 1;
    refresWaterMarkListView();
    refreshPlayerWaterMark(true);
    return true;
}

void WaterMarkPanel::addText() {
    if (!overlay_)
        return;
    auto mark = std::make_shared<WaterParam>();
    mark->waterType = WaterParam::kTypeText;
    mark->waterText = loc("watermarkstringValue");
    mark->waterFontColor = QColor(255, 255, 255);
    mark->selected = true;
    mark->duration = float(host().duration());
    mark->waterFontName =
        NSBundle::isalaboLanguage() ? QStringLiteral("Muna") : QStringLiteral(".AppleSystemUIFont");
    const NSRect r = overlay_->getclipRectFrame();
    mark->waterRect = NSMakeRect(r.x, r.y, 0, 0);
    list_.push_back(mark);
    selected_ = int(list_.size()) - 1;
    refitText(*mark);
    refresWaterMarkListView();
    refreshPlayerWaterMark(true);
}

// Fits a text mark's rectangle to its text in its font, within the overlay; x is pulled in so
// that it ends on the overlay.
void WaterMarkPanel::refitText(WaterParam& m) {
    if (!overlay_ || overlay_->width() <= 0 || overlay_->height() <= 0)
        return;
    overlay_->setWaterMarkFont(HelpClass::fontWithName(m.waterFontName, m.waterFontSize));
    overlay_->setWaterMarkString(m.waterText);
    const QSizeF t = overlay_->measuredTextSize();
    const double W = overlay_->width(), H = overlay_->height();
    NSRect r = m.waterRect;
    const double w = std::min(W, t.width()), h = std::min(H, t.height());
    r.x = std::clamp(r.x, 0.0, std::max(0.0, W - w));
    r.y = std::clamp(r.y, 0.0, std::max(0.0, H - h));
    overlay_->setMarkWaterType(LxWaterView::kMarkText);
    overlay_->setClipRect(NSMakeRect(r.x, r.y, w, h));
    m.waterRect = overlay_->getclipRectFrame();
    m.waterPercentClipRect = overlay_->getPercentImageClipRect();
    m.waterViewFrameWidth = float(W);
}

void WaterMarkPanel::deleteSelected() {
    if (!selectedMark())
        return;
    list_.erase(list_.begin() + selected_);
    selected_ = std::min(selected_, int(list_.size()) - 1);
    std::map<const void*, int> keep;
    for (auto& m : list_)
        keep[m.get()] = 0;
    cache_->prune(keep);
    refresWaterMarkListView();
    refreshPlayerWaterMark(true);
}

void WaterMarkPanel::selectRow(int row) {
    if (row < 0 || size_t(row) >= list_.size())
        return;
    selected_ = row;
    for (WaterMarkCellItemView* r : rows_)
        r->setSelected(r->row() == row);
    refreshWaterTime();
    // A picture's size and keep-aspect, or a text's font and colour, follow the mark selected.
    enableWaterChildView(childViewsEnabled_);
    refreshPlayerWaterMark(true);
}

void WaterMarkPanel::setChecked(int row, bool checked) {
    if (row < 0 || size_t(row) >= list_.size())
        return;
    list_[size_t(row)]->selected = checked;
    if (size_t(row) < rows_.size())
        rows_[size_t(row)]->setCheck(checked);
    if (overlay_ && row == selected_ && !checked)
        overlay_->hide();
    refreshPlayerWaterMark(true);
}

void WaterMarkPanel::setText(int row, const QString& text) {
    if (row < 0 || size_t(row) >= list_.size() || list_[size_t(row)]->waterType != WaterParam::kTypeText)
        return;
    WaterParam& m = *list_[size_t(row)];
    m.waterText = text;
    if (size_t(row) < rows_.size())
        rows_[size_t(row)]->setTitleStringValue(text);
    if (row == selected_)
        refitText(m);
}

void WaterMarkPanel::refresWaterMarkListView() {
    for (WaterMarkCellItemView* r : rows_)
        delete r;
    rows_.clear();
    if (!list_.empty())
        selected_ = std::clamp(selected_, 0, int(list_.size()) - 1);
    const int docHeight = std::max(listScroll_->viewport()->height(), int(list_.size()) * kRowHeight);
    listDocument_->resize(listScroll_->viewport()->width(), docHeight);
    for (size_t i = 0; i < list_.size(); ++i) {
        const WaterParam& m = *list_[i];
        auto* row = new WaterMarkCellItemView(listDocument_);
        row->setGeometry(0, int(i) * kRowHeight, listDocument_->width(), kRowHeight);
        row->setRow(int(i));
        const bool text = m.waterType == WaterParam::kTypeText;
        const QString ext = lowerSuffix(m.waterImagePath);
        row->setType(text ? WaterMarkCellItemView::kTypeText
                     : QStringList{"jpeg", "png", "bmp", "tiff"}.contains(ext)
                         ? WaterMarkCellItemView::kTypePicture
                         : WaterMarkCellItemView::kTypeOther);
        row->setCheck(m.selected);
        // A file's row shows its name, shortened to the row when long; the path is its tip.
        if (text) {
            row->setTitleStringValue(m.waterText);
        } else {
            const QFontMetrics fm(row->titleLabel()->font());
            row->setTitleStringValue(fm.elidedText(QFileInfo(m.waterImagePath).fileName(), Qt::ElideMiddle,
                                                   std::max(10, row->titleLabel()->width() - 6)));
            row->setToolTip(m.waterImagePath);
        }
        row->setSelected(int(i) == selected_);
        row->clicked = [this](WaterMarkCellItemView* r) { selectRow(r->row()); };
        row->CheckWateMarkBlock = [this](bool checked, int r) { setChecked(r, checked); };
        row->EditWaterTextBlock = [this](const QString& t, int r) {
            setText(r, t);
            refreshPlayerWaterMark(true);
        };
        row->show();
        rows_.push_back(row);
    }
    refreshWaterTime();
    enableWaterChildView(!list_.empty() && !playing_);
}
