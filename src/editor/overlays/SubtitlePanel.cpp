#include "editor/overlays/SubtitlePanel.h"

#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
#include "editor/overlays/PanelCaption.h"
#include "editor/overlays/WaterMarkRecords.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SubtitleParam.h"
#include "mediacore/MediaCore.h"
#include "platform/Geometry.h"
#include "platform/Log.h"
#include "platform/Panels.h"
#include "tools/shared/EngineConvert.h"
#include "tools/shared/Loc.h"
#include "tools/shared/MediaOpenPanel.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QSlider>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <cerrno>
#include <cmath>

using geometry::setFrame;

namespace {

QString lowerSuffix(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

// Adds an item whose text fits the closed pop-up: long names (font and subtitle files of any
// length) are shortened in the middle, the whole name stays in the item's tool tip.
void addFitted(QComboBox* combo, const QString& text) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.frame = combo->hasFrame();
    const int room = combo->style()
                         ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                         .width();
    const QString shown =
        QFontMetrics(combo->font()).elidedText(text, Qt::ElideMiddle, std::max(10, room - 1));
    combo->addItem(shown);
    if (shown != text)
        combo->setItemData(combo->count() - 1, text, Qt::ToolTipRole);
}

} // namespace

SubtitlePanel::Problem SubtitlePanel::checkSubtitleFile(const QString& path) {
    // The engine's own bounds first, asked of a job that is never started: the file is then
    // read whole only when it is of a size the engine accepts.
    SUBTITLE_PARAM param{};
    mediarecords::writeText(param.path, path.toUtf8().toStdString());
    const std::unique_ptr<EngineConvert> job = EngineConvert::create();
    const int bounds = job ? apiMediaConvertSetSubtitle(job->handle(), param) : 1;
    if (bounds == -EFBIG)
        return Problem::TooLarge;
    if (bounds == -EMSGSIZE)
        return Problem::CueTooLong;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Problem::Unreadable;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError())
        return Problem::LegacyEncoding;
    const QString ext = lowerSuffix(path);
    if (ext == "ass" || ext == "ssa") {
        return text.contains(QStringLiteral("[Events]"), Qt::CaseInsensitive) &&
                       text.contains(QStringLiteral("Dialogue:"), Qt::CaseInsensitive)
                   ? Problem::None
                   : Problem::NoCues;
    }
    static const QRegularExpression cue(
        QStringLiteral(R"((\d+:)?\d{1,2}:\d{2}[,.]\d{1,3}\s*-->\s*(\d+:)?\d{1,2}:\d{2}[,.]\d{1,3})"));
    return cue.match(text).hasMatch() ? Problem::None : Problem::NoCues;
}

QStringList SubtitlePanel::installedFonts(QStringList* paths) {
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::FontsLocation);
    folders << "/usr/share/fonts"
            << "/usr/local/share/fonts" << QDir::home().filePath(".fonts");
    folders.removeDuplicates();
    std::vector<std::pair<QString, QString>> found;
    QStringList seen;
    for (const QString& folder : folders) {
        QDirIterator it(folder, {"*.ttf", "*.ttc", "*.otf", "*.TTF", "*.TTC", "*.OTF"}, QDir::Files,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            const QString p = it.next();
            const QString name = QFileInfo(p).fileName();
            if (!seen.contains(name)) {
                seen << name;
                found.emplace_back(name, p);
            }
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first.compare(b.first, Qt::CaseInsensitive) < 0; });
    QStringList names;
    if (paths)
        paths->clear();
    for (const auto& [name, p] : found) {
        names << name;
        if (paths)
            *paths << p;
    }
    return names;
}

SubtitlePanel::SubtitlePanel(EditorHost& host, QWidget* parent) : QWidget(parent), EditorTool(host) {
    setGeometry(parent->rect());
    // Each pop-up has a row of its own under its label: file and font names are long, and so
    // is "load another file" in several languages.
    panelCaption(this, "SubtitleLabelTitle", NSMakeRect(10, 322, 210, 22));
    o_.subtitle_popUpBtn = new QComboBox(this);
    setFrame(o_.subtitle_popUpBtn, NSMakeRect(10, 292, 210, 28));
    panelCaption(this, "FontLabelTitle", NSMakeRect(10, 262, 150, 22));
    o_.subtitleFont_popUpBtn = new QComboBox(this);
    setFrame(o_.subtitleFont_popUpBtn, NSMakeRect(10, 232, 178, 28));
    o_.colourWell = new ZylButton(NSMakeRect(194, 234, 26, 24), this);
    o_.colourWell->setCornerRadius(4);
    o_.colourWell->setBorderWidth(1);
    o_.colourWell->setBordColor(QColor(214, 212, 212));

    auto* box = new QLabel(this);
    setFrame(box, NSMakeRect(15, 150, 200, 60));
    box->setPixmap(QPixmap::fromImage(NamedImage("Resources/positionBoxA1.png").image()));
    box->setScaledContents(true);
    o_.positionBtn = new ZylButton(NSMakeRect(45, 18, 110, 42), box);
    o_.positionBtn->setContentTitle(loc("PositionBtnTitle"));
    o_.positionBtn->setContentColor(Qt::white); // the box's picture is dark
    o_.positionBtn->setBorderWidth(0);
    auto* plus = new QLabel("+", box);
    setFrame(plus, NSMakeRect(16, 5, 20, 21));
    plus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* minus = new QLabel("-", box);
    setFrame(minus, NSMakeRect(164, 5, 20, 21));
    for (QLabel* l : {plus, minus})
        l->setStyleSheet(QStringLiteral("QLabel { color: rgb(136,136,136); background: transparent; }"));
    o_.subtitleAlphSlider = new QSlider(Qt::Horizontal, box);
    setFrame(o_.subtitleAlphSlider, NSMakeRect(40, 5, 120, 21));
    o_.subtitleAlphSlider->setRange(0, 1000);
    o_.subtitleAlphSlider->setValue(500);

    connect(o_.subtitle_popUpBtn, &QComboBox::activated, this, [this](int i) { chooseItem(i); });
    connect(o_.subtitleFont_popUpBtn, &QComboBox::activated, this, [this](int i) { chooseFont(i); });
    connect(o_.subtitleAlphSlider, &QSlider::valueChanged, this,
            [this](int v) { setPositionFraction(v / 1000.0); });
    o_.colourWell->mouseDownAction = [this](ZylButton*) {
        const SubtitleParam* s = style();
        if (!s)
            return;
        auto* dialog = new QColorDialog(s->fontColor, window());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor& c) { setColour(c); });
        dialog->open();
    };
    refresh();
}

void SubtitlePanel::refresh() {
    const SubtitleParam* s = style();
    const QSignalBlocker b1(o_.subtitle_popUpBtn), b2(o_.subtitleFont_popUpBtn), b3(o_.subtitleAlphSlider);
    o_.subtitle_popUpBtn->clear();
    o_.subtitle_popUpBtn->addItem(loc("No_subtitleItemTitle"));
    if (s && !s->subtitlePath.isEmpty())
        addFitted(o_.subtitle_popUpBtn, QFileInfo(s->subtitlePath).fileName());
    o_.subtitle_popUpBtn->addItem(loc("Load_otherItemTitle"));
    o_.subtitle_popUpBtn->setCurrentIndex(s && !s->subtitlePath.isEmpty() ? 1 : 0);
    o_.subtitleFont_popUpBtn->clear();
    if (s && !s->fontPathList.isEmpty()) {
        for (const QString& name : s->fontPathList)
            addFitted(o_.subtitleFont_popUpBtn, name);
        o_.subtitleFont_popUpBtn->setCurrentIndex(int(s->fontSelectIndex));
    } else {
        o_.subtitleFont_popUpBtn->addItem(loc("Set_FontTitle"));
    }
    o_.colourWell->setBackGroundColor(s ? s->fontColor : QColor(Qt::white));
    enableByType();
}

void SubtitlePanel::setControlsEnabled(bool enabled) {
    enabled_ = enabled;
    enableByType();
}

// Styles of .ass and .ssa files come from the files themselves: only .srt files take a font
// and a colour. The subtitle itself can always be removed or replaced.
void SubtitlePanel::enableByType() {
    const SubtitleParam* s = style();
    const bool on = enabled_ && s;
    const bool loaded = on && !s->subtitlePath.isEmpty();
    const bool srt = loaded && lowerSuffix(s->subtitlePath) != "ass" && lowerSuffix(s->subtitlePath) != "ssa";
    o_.subtitle_popUpBtn->setEnabled(on);
    o_.subtitleFont_popUpBtn->setEnabled(srt && !s->fontPathList.isEmpty());
    o_.colourWell->setEnabled(srt);
    o_.subtitleAlphSlider->setEnabled(loaded);
    o_.positionBtn->setSelected(loaded);
}

const SubtitleParam* SubtitlePanel::style() const {
    return host().session().file().isOpen() ? &host().session().state().subtitle() : nullptr;
}

void SubtitlePanel::edit(const std::function<void(SubtitleParam&)>& change) {
    if (style())
        host().session().state().editSubtitle(change);
}

void SubtitlePanel::chooseItem(int index) {
    const SubtitleParam* s = style();
    if (!s)
        return;
    const int n = o_.subtitle_popUpBtn->count();
    if (index == n - 1) {
        openLoadPanel();
        // Until a file is chosen the pop-up keeps showing what is in use.
        o_.subtitle_popUpBtn->setCurrentIndex(s->subtitlePath.isEmpty() ? 0 : 1);
        return;
    }
    if (index == 0)
        edit([](SubtitleParam& style) { style.subtitlePath.clear(); });
    else if (index == 1 && !captionPath_.isEmpty())
        edit([this](SubtitleParam& style) { style.subtitlePath = captionPath_; });
    refresh();
}

void SubtitlePanel::openLoadPanel() {
    Panels::OpenOptions options;
    options.extensions = {"ass", "ssa", "srt"};
    options.multiple = true;
    options.title = loc("Pleaseselectthesubtitlefilestring");
    QPointer<SubtitlePanel> self(this);
    MediaOpenPanel::openFiles(window(), options, [self](const QStringList& paths) {
        if (self)
            self->loadFile(paths.last());
    });
}

void SubtitlePanel::ensureFontList(SubtitleParam& s) {
    if (!s.fontPathList.isEmpty())
        return;
    s.fontPathList = installedFonts(&fontPaths_);
    if (s.fontPathList.isEmpty())
        return;
    // A plain sans font when the machine has one, else the first.
    int pick = 0;
    for (const char* preferred : {"DejaVuSans.ttf", "LiberationSans-Regular.ttf", "NotoSans-Regular.ttf"}) {
        const int i = int(s.fontPathList.indexOf(QString::fromUtf8(preferred)));
        if (i >= 0) {
            pick = i;
            break;
        }
    }
    if (s.fontPath.isEmpty() || !QFile::exists(s.fontPath)) {
        s.fontSelectIndex = pick;
        s.fontPath = fontPaths_.value(pick);
    }
}

bool SubtitlePanel::loadFile(const QString& path) {
    const SubtitleParam* s = style();
    if (!s || path.isEmpty())
        return false;
    if (path.toUtf8().size() >= 260) {
        host().alert(loc("waterMarkPathTooLongString"));
        return false;
    }
    switch (checkSubtitleFile(path)) {
    case Problem::None:
        break;
    case Problem::LegacyEncoding:
        host().alert(loc("subtitleEncodingString"));
        return false;
    case Problem::TooLarge:
        host().alert(loc("subtitleTooLargeString"));
        return false;
    case Problem::CueTooLong:
        host().alert(loc("subtitleLineTooLongString"));
        return false;
    default:
        host().alert(loc("subtitleNotReadableString"));
        return false;
    }
    edit([this](SubtitleParam& style) { ensureFontList(style); });
    if (fontPaths_.isEmpty())
        fontPaths_ = [&] {
            QStringList p;
            installedFonts(&p);
            return p;
        }();
    captionPath_ = path;
    edit([&path](SubtitleParam& style) {
        if (!style.fontColor.isValid())
            style.fontColor = Qt::white;
        style.positon = -1;
        style.subtitlePath = path;
    });
    refresh();
    {
        const QSignalBlocker b(o_.subtitleAlphSlider);
        o_.subtitleAlphSlider->setValue(1000);
    }
    return true;
}

void SubtitlePanel::chooseFont(int index) {
    const SubtitleParam* s = style();
    if (!s || s->fontPathList.isEmpty() || index < 0 || index >= s->fontPathList.size())
        return;
    if (fontPaths_.size() != s->fontPathList.size())
        installedFonts(&fontPaths_);
    edit([this, index](SubtitleParam& style) {
        style.fontSelectIndex = index;
        style.fontPath = fontPaths_.value(index);
    });
}

void SubtitlePanel::setColour(const QColor& colour) {
    const SubtitleParam* s = style();
    if (!s || !colour.isValid())
        return;
    edit([&colour](SubtitleParam& style) { style.fontColor = colour; });
    o_.colourWell->setBackGroundColor(colour);
}

void SubtitlePanel::setPositionFraction(double v) {
    const SubtitleParam* s = style();
    if (!s || !std::isfinite(v))
        return;
    const double H = host().videoSize().height();
    const double pos = std::min(std::clamp(v, 0.0, 1.0) * H, H - s->fontSize);
    edit([pos](SubtitleParam& style) { style.positon = int(std::max(0.0, pos)); });
}
