#include "profiles/SettingWindowController.h"

#include "foundation/helpers/Bidi.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/SimpleData.h"
#include "platform/Geometry.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "profiles/CustomProfileWriter.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"
#include "profiles/ProfileValueParser.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <limits>

using namespace profiles;

namespace {

constexpr double kBoxHeight = 178;
constexpr int kNarrowWidth = 360;
constexpr int kWideWidth = 480;
constexpr int kVideoHeight = 480;
constexpr int kAudioHeight = 292;

QFont labelFont(double points) {
    QFont font;
    if (NSBundle::isalaboLanguage())
        font.setFamily(QStringLiteral("Muna"));
    font.setPointSizeF(points);
    return font;
}

QLabel* makeLabel(QWidget* parent, const QString& text, double points, Qt::Alignment align) {
    auto* label = new QLabel(text, parent);
    label->setFont(labelFont(points));
    label->setAlignment(align | Qt::AlignVCenter);
    label->setStyleSheet(QStringLiteral("color: black;"));
    return label;
}

bool isVideo(int index) {
    return index < kAudioCodec;
}
bool isCodec(int index) {
    return index == kVideoCodec || index == kAudioCodec;
}
bool isNumeric(int index) {
    return index == kFrameRate || index == kVideoBitRate || index == kSampleRate || index == kAudioBitRate;
}

} // namespace

SettingWindowController::SettingWindowController(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SettingWindowController"));
    setWindowModality(Qt::WindowModal);
}

SettingWindowController::~SettingWindowController() {
    qCDebug(lcProfiles) << "~SettingWindowController";
}

void SettingWindowController::setSimpdata(std::shared_ptr<SimpleData> data) {
    simpdata_ = std::move(data);
}

QDialog* SettingWindowController::window() {
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
    return this;
}

bool SettingWindowController::storedChoiceIsCustom(int index) const {
    return UserDefaults::standardUserDefaults().stringForKey(kParameters[index].defaultsKey(joinner_)) ==
           kCustomTitle;
}

QString SettingWindowController::keepOriginalTitle() const {
    return NSBundle::localizedStringForKey(QStringLiteral("Keep_OriginalStringValue"));
}

void SettingWindowController::place(QWidget* widget, const NSRect& frame) {
    placed_.emplace_back(widget, frame);
    geometry::setLeadingGeometry(widget, geometry::toQt(frame, customView_->height()).toRect());
}

void SettingWindowController::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!customView_)
        return;
    customView_->setGeometry(0, 0, width(), height());
    for (const auto& [widget, frame] : placed_)
        geometry::setLeadingGeometry(widget, geometry::toQt(frame, customView_->height()).toRect());
}

namespace {
const std::array<QString, 4> kVideoLabels{
    QStringLiteral("CodecLabelTitle"), QStringLiteral("ResolutionLabel"),
    QStringLiteral("Frame_RateLabelTitle"), QStringLiteral("Bit_RateLabelTitle")};
const std::array<QString, 4> kAudioLabels{
    QStringLiteral("CodecLabelTitle"), QStringLiteral("audio_ChannelLabelTitle"),
    QStringLiteral("audio_Sample_RateLabelTitle"), QStringLiteral("audio_Bit_RateLabelTitle")};
constexpr int kLabelWidth = 100;
} // namespace

int SettingWindowController::labelRoomNeeded() const {
    // The row labels' column widens for the longest translation; everything to its right,
    // and the window, move over by as much.
    const QFontMetrics fm(labelFont(12));
    int widest = 0;
    for (const auto* keys : {&kVideoLabels, &kAudioLabels})
        for (const QString& key : *keys)
            widest = std::max(widest, fm.horizontalAdvance(NSBundle::localizedStringForKey(key)) + 6);
    return std::max(0, widest - kLabelWidth);
}

NSRect SettingWindowController::customButtonFrame(int windowWidth) const {
    const int w = std::max(120, createCustomBtn_->sizeHint().width());
    return NSMakeRect(windowWidth - 20 - w, 20, w, 23);
}

void SettingWindowController::windowDidLoad() {
    const bool wide = storedChoiceIsCustom(kFrameSize) || storedChoiceIsCustom(kVideoBitRate);
    labelExtra_ = labelRoomNeeded();
    resize((wide ? kWideWidth : kNarrowWidth) + labelExtra_, fileType_ == 2 ? kAudioHeight : kVideoHeight);
    customView_ = new QWidget(this);
    customView_->setGeometry(0, 0, width(), height());

    const char* titleKey = advanced_  ? "Advanced_settingsTitle"
                           : joinner_ ? "Joinner_settingsTitle"
                                      : "Edit_settingsTitle";
    setWindowTitle(NSBundle::localizedStringForKey(QString::fromLatin1(titleKey)));

    place(makeLabel(customView_, NSBundle::localizedStringForKey(QStringLiteral("VideoLabelTitle")), 13,
                    Qt::AlignLeft),
          NSMakeRect(30, 437, 100, 20));
    place(makeLabel(customView_, NSBundle::localizedStringForKey(QStringLiteral("AudioLabelTitle")), 13,
                    Qt::AlignLeft),
          NSMakeRect(30, 235, 100, 20));

    const double boxWidth = width() - 44;
    if (fileType_ != 2)
        videoBackView_ = buildBox(NSMakeRect(22, 256, boxWidth, kBoxHeight), kVideoCodec, kVideoLabels);
    audioBackView_ = buildBox(NSMakeRect(22, 56, boxWidth, kBoxHeight), kAudioCodec, kAudioLabels);

    defaultBtn_ =
        new QPushButton(NSBundle::localizedStringForKey(QStringLiteral("DefaultBtnTitle")), customView_);
    place(defaultBtn_, NSMakeRect(20, 20, std::max(80, defaultBtn_->sizeHint().width()), 23));
    connect(defaultBtn_, &QPushButton::clicked, this, [this] { actiondefaultBtn(); });

    createCustomBtn_ = new QPushButton(NSBundle::localizedStringForKey(QStringLiteral("CreateCustomBtnTitle"),
                                                                       QStringLiteral("Save as Custom")),
                                       customView_);
    place(createCustomBtn_, customButtonFrame(width()));
    connect(createCustomBtn_, &QPushButton::clicked, this, [this] { actionCreateCustomBtn(); });
}

QFrame* SettingWindowController::buildBox(const NSRect& frame, int first,
                                          const std::array<QString, 4>& labels) {
    auto* box = new QFrame(customView_);
    box->setFrameShape(QFrame::StyledPanel);
    box->setFrameShadow(QFrame::Sunken);
    place(box, frame);
    // Right of the label column, everything moves over by the room its translations need.
    const double dx = labelExtra_;
    auto inBox = [&](QWidget* w, const NSRect& r) {
        geometry::setLeadingGeometry(w, geometry::toQt(r, kBoxHeight).toRect());
    };

    const double gap = (kBoxHeight - 128) / 3;
    for (int row = 0; row < 4; ++row) {
        // From the top: codec, then the three others; the rows are counted from the bottom.
        const int index = first + row;
        const double y = 24 + (3 - row) * (gap + 20);
        auto* popUp = new QComboBox(box);
        popUp->setObjectName(QString::fromLatin1(kParameters[index].profileKey));
        inBox(popUp, NSMakeRect(112 + dx, y, 170, 20));
        connect(popUp, &QComboBox::activated, this, [this, index](int r) { touchUpInslide(index, r); });
        popUps_[index] = popUp;
        inBox(makeLabel(box, NSBundle::localizedStringForKey(labels[row]), 12, Qt::AlignHCenter),
              NSMakeRect(10, y, kLabelWidth + dx, 20));

        if (index != kFrameSize && index != kVideoBitRate)
            continue;
        auto field = [&](int tag, double x) {
            auto* edit = new QLineEdit(box);
            edit->setProperty("tag", tag);
            edit->setAlignment(Qt::AlignCenter);
            edit->setFont(labelFont(12));
            inBox(edit, NSMakeRect(x, y, 60, 20));
            connect(edit, &QLineEdit::textEdited, this, [this, edit] { customValueChange(edit); });
            return edit;
        };
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        if (index == kFrameSize) {
            customWidth_ = field(2000, 290 + dx);
            sp_ = makeLabel(box, QStringLiteral("*"), 12, Qt::AlignHCenter);
            inBox(sp_, NSMakeRect(350 + dx, y, 15, 20));
            customHeight_ = field(3000, 365 + dx);
            const bool custom = storedChoiceIsCustom(kFrameSize);
            if (custom && defaults.hasKey(kCustomWidthKey))
                customWidth_->setText(QString::number(defaults.integerForKey(kCustomWidthKey)));
            if (custom && defaults.hasKey(kCustomHeightKey))
                customHeight_->setText(QString::number(defaults.integerForKey(kCustomHeightKey)));
            for (QWidget* w : {static_cast<QWidget*>(customWidth_), static_cast<QWidget*>(sp_),
                               static_cast<QWidget*>(customHeight_)})
                w->setVisible(custom);
        } else {
            customVideoBit_ = field(4000, 290 + dx);
            const bool custom = storedChoiceIsCustom(kVideoBitRate);
            if (custom)
                customVideoBit_->setText(QString::number(int(defaults.integerForKey(kCustomBitRateKey))));
            customVideoBit_->setVisible(custom);
        }
    }
    return box;
}

QString SettingWindowController::resolvedPfPath() const {
    if (!pfPath_.isEmpty())
        return pfPath_;
    return (joinner_ ? ProfileSet::joiner() : ProfileSet::editor()).defaultProfilePath();
}

bool SettingWindowController::isKeepOriginalProfile() const {
    return QFileInfo(resolvedPfPath()).completeBaseName() == ProfileSet::kKeepOriginal;
}

void SettingWindowController::readProfile() {
    const QString path = resolvedPfPath();
    for (std::size_t i = 0; i < kParameters.size(); ++i) {
        const QString raw = readProfileValue(QStringLiteral("Parameter"),
                                             QString::fromLatin1(kParameters[i].profileKey), path);
        options_[i] = ProfileValueParser::resultContentStrForArr(raw);
        titles_[i] = raw; // the raw value until the caller decides the titles
    }
}

void SettingWindowController::displayViewChildes() {
    window();
    setViewChildes();
}

void SettingWindowController::setViewChildes() {
    readProfile();
    const bool keep = isKeepOriginalProfile();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    for (std::size_t i = 0; i < kParameters.size(); ++i) {
        titles_[i] = keep ? QString() : defaults.stringForKey(kParameters[i].defaultsKey(joinner_));
        if (!isVideo(int(i)))
            titles_[i] = ProfileValueParser::new_startAndendnospaceString(titles_[i]).value_or(QString());
    }
    buildMenus(keep);
    if (customVideoBit_ && titles_[kVideoBitRate] == kCustomTitle)
        customVideoBit_->setText(QString::number(int(defaults.integerForKey(kCustomBitRateKey))));
}

void SettingWindowController::buildMenus(bool codecKeepRows) {
    for (int i = 0; i < int(kParameters.size()); ++i)
        if (popUps_[i])
            fillPopUp(i, codecKeepRows);
}

void SettingWindowController::fillPopUp(int index, bool codecKeepRows) {
    QComboBox* popUp = popUps_[index];
    const QSignalBlocker blocker(popUp);
    popUp->clear();
    // On the Keep Original profile every pop-up offers, and shows, keeping the source's
    // value: that is what its export does, whatever the profile's option lists say.
    const bool keepRow = codecKeepRows || (!isCodec(index) && !joinner_);
    if (keepRow)
        popUp->addItem(keepOriginalTitle());
    const QString unit = QString::fromLatin1(kParameters[index].unit);
    const QStringList options = options_[index].value_or(QStringList());
    for (const QString& option : options) {
        const QString text = QString(option).remove(QLatin1Char('"'));
        if (text.isEmpty() && index != kAudioCodec && index != kChannels)
            continue;
        // In a right-to-left window a value keeps its own left-to-right order.
        popUp->addItem(isRightToLeft() ? bidi::isolateLeftToRight(text + unit) : text + unit);
    }
    const bool customRow = index == kFrameSize || (index == kVideoBitRate && joinner_);
    if (customRow)
        popUp->addItem(kCustomTitle);

    const QString& title = titles_[index];
    int row = 0;
    if (title.isEmpty() || title == QLatin1String(" ")) {
        row = 0;
    } else if (customRow && title == kCustomTitle) {
        row = popUp->count() - 1;
    } else if (isNumeric(index)) {
        const int wanted = leadingInt(title);
        for (qsizetype i = 0; i < options.size(); ++i) {
            if (leadingInt(options[i]) == wanted) {
                row = int(i) + (keepRow ? 1 : 0);
                break;
            }
        }
    } else {
        const qsizetype at = options.indexOf(title);
        // The codec rows are matched without the Keep-Original row (only the Keep Original
        // profile has one, and it clears every title).
        if (at >= 0)
            row = int(at) + (keepRow && !isCodec(index) ? 1 : 0);
    }
    if (row >= popUp->count())
        row = 0;
    popUp->setCurrentIndex(popUp->count() > 0 ? row : -1);
}

QString SettingWindowController::storedValueForRow(int index, const QString& shownTitle) const {
    QString rowTitle = bidi::withoutIsolates(shownTitle);
    const QString unit = QString::fromLatin1(kParameters[index].unit);
    if (!unit.isEmpty() && rowTitle.endsWith(unit))
        return rowTitle.left(rowTitle.size() - unit.size());
    return rowTitle;
}

void SettingWindowController::touchUpInslide(int index, int row) {
    QComboBox* popUp = popUps_[index];
    if (!popUp || row < 0 || row >= popUp->count())
        return;
    popUp->setCurrentIndex(row);
    const QString title = popUp->itemText(row);
    const QString key = kParameters[index].defaultsKey(joinner_);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (title == keepOriginalTitle())
        defaults.removeObjectForKey(key);
    else
        defaults.setObject(storedValueForRow(index, title), key);
    qCDebug(lcProfiles) << "items:" << title;
    if (index == kFrameSize || index == kVideoBitRate)
        updateCustomFields();
    if (selectSettingCallbackBlock_)
        selectSettingCallbackBlock_(kParameters[index].mask);
}

void SettingWindowController::updateCustomFields() {
    if (!videoBackView_)
        return;
    const bool size = popUps_[kFrameSize]->currentText() == kCustomTitle;
    const bool bit = popUps_[kVideoBitRate]->currentText() == kCustomTitle;
    customWidth_->setVisible(size);
    sp_->setVisible(size);
    customHeight_->setVisible(size);
    customVideoBit_->setVisible(bit);
    if (fileType_ == 1)
        layoutForWidth((size || bit ? kWideWidth : kNarrowWidth) + labelExtra_);
}

void SettingWindowController::layoutForWidth(int w) {
    // The window keeps its centre.
    const QRect old = geometry();
    setGeometry(old.x() + (old.width() - w) / 2, old.y() + (old.height() - kVideoHeight) / 2, w,
                kVideoHeight);
    for (auto& [widget, frame] : placed_) {
        if (widget == videoBackView_)
            frame = NSMakeRect(22, 256, w - 44, kBoxHeight);
        if (widget == audioBackView_)
            frame = NSMakeRect(22, 56, w - 44, kBoxHeight);
        if (widget == createCustomBtn_)
            frame = customButtonFrame(w);
    }
    QResizeEvent event(size(), size());
    resizeEvent(&event);
}

QString SettingWindowController::numForStringValue(const QString& text) {
    static const QRegularExpression number(QStringLiteral("[0-9]+(\\.[0-9]+)?"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return QStringLiteral("0");
    return QString::asprintf("%.2f", match.captured(0).toDouble());
}

namespace {
// The integer part of numForStringValue, kept within int.
int customInt(const QString& text) {
    const double value = SettingWindowController::numForStringValue(text).toDouble();
    return value >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(value);
}
} // namespace

void SettingWindowController::customValueChange(QLineEdit* field) {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (field == customVideoBit_) {
        defaults.setInteger(customInt(field->text()), kCustomBitRateKey);
        if (selectSettingCallbackBlock_)
            selectSettingCallbackBlock_(kMaskVideoBitRate);
        return;
    }
    defaults.setInteger(customInt(customWidth_->text()), kCustomWidthKey);
    defaults.setInteger(customInt(customHeight_->text()), kCustomHeightKey);
    if (selectSettingCallbackBlock_)
        selectSettingCallbackBlock_(kMaskFrameSize);
}

std::optional<QString> SettingWindowController::sourceValue(int index) const {
    if (!simpdata_ || !simpdata_->sourceData)
        return std::nullopt;
    const FileData& s = *simpdata_->sourceData;
    auto number = [](auto v) { return v ? std::optional<QString>(QString::number(v)) : std::nullopt; };
    switch (index) {
    case kVideoCodec:
        return s.metadata_vcodec.isEmpty() ? std::nullopt : std::optional<QString>(s.metadata_vcodec);
    case kFrameSize:
        if (s.width && s.height)
            return QStringLiteral("%1x%2").arg(s.width).arg(s.height);
        return std::nullopt;
    case kFrameRate:
        return s.fps > 0 ? std::optional<QString>(QString::asprintf("%.f", double(s.fps))) : std::nullopt;
    case kVideoBitRate:
        return number(s.bitrate);
    case kAudioCodec:
        return s.a_codec.isEmpty() ? std::nullopt : std::optional<QString>(s.a_codec);
    case kChannels:
        return number(s.a_channel);
    case kSampleRate:
        return number(s.a_samplerate);
    case kAudioBitRate:
        return number(s.a_bitrate);
    default:
        return std::nullopt;
    }
}

void SettingWindowController::defaultSettings() {
    readProfile();
    const bool keep = isKeepOriginalProfile();
    for (int i = 0; i < int(kParameters.size()); ++i) {
        if (keep) {
            titles_[i].clear();
            continue;
        }
        const std::optional<QString> chosen =
            ProfileValueParser::resultSelectItemTitleForContentStr(titles_[i]);
        if (chosen && !chosen->isEmpty() && *chosen != QLatin1String(" "))
            titles_[i] = *chosen;
        else
            titles_[i] = sourceValue(i).value_or(QString());
    }
    buildMenus(false);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    for (int i = 0; i < int(kParameters.size()); ++i) {
        const QString key = kParameters[i].defaultsKey(joinner_);
        if (titles_[i].isEmpty())
            defaults.removeObjectForKey(key);
        else
            defaults.setObject(titles_[i], key);
    }
    updateCustomFields();
}

void SettingWindowController::actiondefaultBtn() {
    window();
    defaultSettings();
    if (settingCallbackBlock_)
        settingCallbackBlock_();
}

void SettingWindowController::actionCreateCustomBtn() {
    window();
    QWidget* opener = parentWidget();
    auto* prompt = new InputFileNameWindowController(opener);
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    prompt->window();
    const QRect over = geometry();
    prompt->setGeometry(over.x() + (over.width() - 380) / 2, over.y() + (over.height() - 141) / 2, 380, 141);
    const QString width = customWidth_ ? customWidth_->text() : QString();
    const QString height = customHeight_ ? customHeight_->text() : QString();
    prompt->setCustomValue(QStringLiteral("custom={%1x%2}").arg(width, height));
    // The prompt's announcement is turned into a profile file by a writer that lives with
    // the prompt and takes the other values from this window's profile and the stored choices.
    new CustomProfileWriter(prompt, joinner_, resolvedPfPath(), fileType_ == 2);
    namePrompt_ = prompt;
    close();
    prompt->open();
}
