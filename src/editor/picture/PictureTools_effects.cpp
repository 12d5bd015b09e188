// The effects tool: the volume, brightness, contrast and saturation sliders and the list of
// image effects. The player always holds exactly the checked effects, in ascending id order,
// whatever the order of the clicks; the export applies them in the same order.
#include "editor/picture/PictureTools.h"

#include "editor/core/EditVideoWindowController.h"
#include "editor/picture/EffectTableCellView.h"
#include "editor/picture/PictureWidgets.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

namespace {

constexpr double kTitleBand = 30;
constexpr int kRowHeight = 30;

QSlider* adjustSlider(QWidget* panel, const NSRect& frame, int low, int high, int value) {
    auto* s = new QSlider(Qt::Horizontal, panel);
    geometry::setFrame(s, frame);
    s->setRange(low, high);
    s->setValue(value);
    s->setEnabled(false);
    return s;
}

} // namespace

void PictureTools::initEffectView(ZylImageView* panel) {
    using picturewidgets::label;
    const double W = panel->width(), T = panel->height() - kTitleBand;
    const EditState& st = window_.session().state();
    const char* titles[] = {"VolumeLabelTitle", "BrightnessLabelTitle", "ContrastLabelTitle",
                            "SaturationLabelTitle"};
    for (int i = 0; i < 4; ++i)
        label(panel, {0, T - 39 - 40.0 * i, 80, 20}, loc(titles[i]))
            ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    volumeSlider_ = adjustSlider(panel, {80, T - 40, W - 120, 21}, 0, 200, 100);
    brightnessSlider_ = adjustSlider(panel, {80, T - 80, W - 120, 21}, -255, 255, st.brightness);
    contrastSlider_ = adjustSlider(panel, {80, T - 120, W - 120, 21}, -100, 100, st.contrast);
    saturationSlider_ = adjustSlider(panel, {80, T - 160, W - 120, 21}, -100, 100, st.saturation);
    volumeValueLabel_ = label(panel, {W - 40, T - 40, 40, 20}, QStringLiteral("100"));
    brightnessValueLabel_ = label(panel, {W - 40, T - 80, 40, 20}, QString::number(st.brightness));
    contrastValueLabel_ = label(panel, {W - 40, T - 120, 40, 20}, QString::number(st.contrast));
    saturationValueLabel_ = label(panel, {W - 40, T - 160, 40, 20}, QString::number(st.saturation));
    label(panel, {10, T - 190, W - 20, 20}, loc("EffectsLabelTitle"));

    effectScroll_ = new QScrollArea(panel);
    geometry::setFrame(effectScroll_, {10, 45, W - 20, T - 240});
    effectScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    effectScroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    effectScroll_->setStyleSheet(
        QStringLiteral("QScrollArea { background: white; border: 1px solid #d6d4d4; }"));
    auto* document = new QWidget;
    const int rowWidth = effectScroll_->viewport()->width() > 0
                             ? int(W - 22 - effectScroll_->verticalScrollBar()->sizeHint().width())
                             : int(W - 40);
    document->resize(rowWidth, int(effectTypes_.size()) * kRowHeight);
    for (size_t i = 0; i < effectTypes_.size(); ++i) {
        auto* row = new EffectTableCellView(document);
        row->setGeometry(0, int(i) * kRowHeight, rowWidth, kRowHeight);
        row->setRow(int64_t(i));
        row->setPicture(effectTypes_[i].picture);
        row->setTitle(loc(effectTypes_[i].name.toUtf8().constData()));
        row->onRowClicked = [this](EffectTableCellView*, int64_t r) { effectToggled(r); };
        row->onCheckClicked = [this](EffectTableCellView*, int64_t r) { effectToggled(r); };
        row->setEnable(false);
        effectCells_.push_back(row);
    }
    effectScroll_->setWidget(document);
    effectResetBtn_ = picturewidgets::resetButton(panel, {(W - 80) / 2, 5, 80, 30});

    connect(volumeSlider_, &QSlider::valueChanged, this, [this](int v) { volumeSliderMoved(v); });
    for (QSlider* s : {brightnessSlider_, contrastSlider_, saturationSlider_})
        connect(s, &QSlider::valueChanged, this, [this] { adjustSliderMoved(); });
    effectResetBtn_->mouseDownAction = window_.afterClick([this] { effectResetAction(); });
}

void PictureTools::volumeSliderMoved(int value) {
    EditState& s = window_.session().state();
    s.volume = value / 100.0;
    volumeValueLabel_->setText(QString::number(value));
    if (player())
        window_.preview()->setVolume(s.volume);
    refreshIfPaused();
}

void PictureTools::adjustSliderMoved() {
    EditState& s = window_.session().state();
    s.brightness = brightnessSlider_->value();
    s.contrast = contrastSlider_->value();
    s.saturation = saturationSlider_->value();
    brightnessValueLabel_->setText(QString::number(s.brightness));
    contrastValueLabel_->setText(QString::number(s.contrast));
    saturationValueLabel_->setText(QString::number(s.saturation));
    if (LxMoviePlayer* p = player())
        p->SetBCS(s.brightness, s.contrast, s.saturation);
    refreshIfPaused();
}

void PictureTools::effectToggled(int64_t row) {
    LxMoviePlayer* p = player();
    if (!p || effectTypes_.empty())
        return;
    const size_t r = size_t(std::clamp<int64_t>(row, 0, int64_t(effectTypes_.size()) - 1));
    const int id = effectTypes_[r].id;
    std::vector<int>& ids = window_.session().state().selectedEffectTypeIndexs;
    const auto at = std::find(ids.begin(), ids.end(), id);
    const bool on = at == ids.end();
    if (on && !engineDrawsEffect(id)) {
        qCWarning(lcEditor) << "effect" << id << "of the list is unknown to the engine";
        window_.showSimpleAlert(loc("effectUnknownString"));
        return;
    }
    if (on)
        ids.push_back(id);
    else
        ids.erase(at);
    std::sort(ids.begin(), ids.end());
    effectCells_[r]->selected(on);
    p->ClearImageEffect();
    for (size_t i = 0; i < ids.size(); ++i) {
        qCDebug(lcEditor) << "effectType_" << i << ":" << ids[i];
        p->AddImageEffect(ids[i]);
    }
    refreshIfPaused();
}

// The sliders, labels and rows as the edit state has them, without telling the player.
void PictureTools::syncEffectControls() {
    const EditState& s = window_.session().state();
    {
        const QSignalBlocker b1(volumeSlider_), b2(brightnessSlider_), b3(contrastSlider_),
            b4(saturationSlider_);
        volumeSlider_->setValue(int(s.volume * 100));
        brightnessSlider_->setValue(s.brightness);
        contrastSlider_->setValue(s.contrast);
        saturationSlider_->setValue(s.saturation);
    }
    volumeValueLabel_->setText(QString::number(int(s.volume * 100)));
    brightnessValueLabel_->setText(QString::number(s.brightness));
    contrastValueLabel_->setText(QString::number(s.contrast));
    saturationValueLabel_->setText(QString::number(s.saturation));
    const auto& ids = s.selectedEffectTypeIndexs;
    for (size_t i = 0; i < effectCells_.size(); ++i)
        effectCells_[i]->selected(std::find(ids.begin(), ids.end(), effectTypes_[i].id) != ids.end());
}

void PictureTools::effectResetAction() {
    EditState& s = window_.session().state();
    s.volume = 1.0;
    s.brightness = s.contrast = s.saturation = 0;
    s.selectedEffectTypeIndexs.clear();
    syncEffectControls();
    if (LxMoviePlayer* p = player()) {
        window_.preview()->setVolume(1.0);
        p->SetBCS(0, 0, 0);
        p->ClearImageEffect();
    }
    refreshIfPaused();
}
