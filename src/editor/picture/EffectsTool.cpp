#include "editor/picture/EffectsTool.h"

#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
#include "editor/picture/EffectTableCellView.h"
#include "editor/picture/PictureWidgets.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "platform/Log.h"
#include "tools/shared/Loc.h"
#include "tools/shared/ToolWindow.h"

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

EffectsTool::EffectsTool(EditorHost& host, ZylImageView* panel)
    : QObject(panel), EditorTool(host), effectTypes_(loadEffectList()) {
    buildPanel(panel);
}

void EffectsTool::setEditable(bool editable) {
    for (QSlider* s : {volumeSlider_, brightnessSlider_, contrastSlider_, saturationSlider_})
        s->setEnabled(editable);
    effectResetBtn_->setEnabled(editable);
    for (EffectTableCellView* row : effectCells_)
        row->setEnable(editable);
}

void EffectsTool::buildPanel(ZylImageView* panel) {
    using picturewidgets::label;
    const double W = panel->width(), T = panel->height() - kTitleBand;
    const EditState& st = host().session().state();
    const char* titles[] = {"VolumeLabelTitle", "BrightnessLabelTitle", "ContrastLabelTitle",
                            "SaturationLabelTitle"};
    for (int i = 0; i < 4; ++i)
        label(panel, {0, T - 39 - 40.0 * i, 80, 20}, loc(titles[i]))
            ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    volumeSlider_ = adjustSlider(panel, {80, T - 40, W - 120, 21}, 0, 200, 100);
    brightnessSlider_ = adjustSlider(panel, {80, T - 80, W - 120, 21}, -255, 255, st.brightness());
    contrastSlider_ = adjustSlider(panel, {80, T - 120, W - 120, 21}, -100, 100, st.contrast());
    saturationSlider_ = adjustSlider(panel, {80, T - 160, W - 120, 21}, -100, 100, st.saturation());
    volumeValueLabel_ = label(panel, {W - 40, T - 40, 40, 20}, QStringLiteral("100"));
    brightnessValueLabel_ = label(panel, {W - 40, T - 80, 40, 20}, QString::number(st.brightness()));
    contrastValueLabel_ = label(panel, {W - 40, T - 120, 40, 20}, QString::number(st.contrast()));
    saturationValueLabel_ = label(panel, {W - 40, T - 160, 40, 20}, QString::number(st.saturation()));
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
    effectResetBtn_->mouseDownAction = host().toolWindow().afterClick([this] { effectResetAction(); });
}

void EffectsTool::volumeSliderMoved(int value) {
    volumeValueLabel_->setText(QString::number(value));
    host().session().state().setVolume(value / 100.0);
}

void EffectsTool::adjustSliderMoved() {
    brightnessValueLabel_->setText(QString::number(brightnessSlider_->value()));
    contrastValueLabel_->setText(QString::number(contrastSlider_->value()));
    saturationValueLabel_->setText(QString::number(saturationSlider_->value()));
    host().session().state().setAdjustment(brightnessSlider_->value(), contrastSlider_->value(),
                                           saturationSlider_->value());
}

void EffectsTool::effectToggled(int64_t row) {
    if (!host().player() || effectTypes_.empty())
        return;
    const size_t r = size_t(std::clamp<int64_t>(row, 0, int64_t(effectTypes_.size()) - 1));
    const int id = effectTypes_[r].id;
    const std::vector<int>& ids = host().session().state().selectedEffectTypeIndexs();
    const bool on = std::find(ids.begin(), ids.end(), id) == ids.end();
    if (on && !engineDrawsEffect(id)) {
        qCWarning(lcEditor) << "effect" << id << "of the list is unknown to the engine";
        host().alert(loc("effectUnknownString"));
        return;
    }
    effectCells_[r]->selected(on);
    host().session().state().setEffect(id, on);
}

void EffectsTool::syncEffectControls() {
    const EditState& s = host().session().state();
    {
        const QSignalBlocker b1(volumeSlider_), b2(brightnessSlider_), b3(contrastSlider_),
            b4(saturationSlider_);
        volumeSlider_->setValue(int(s.volume() * 100));
        brightnessSlider_->setValue(s.brightness());
        contrastSlider_->setValue(s.contrast());
        saturationSlider_->setValue(s.saturation());
    }
    volumeValueLabel_->setText(QString::number(int(s.volume() * 100)));
    brightnessValueLabel_->setText(QString::number(s.brightness()));
    contrastValueLabel_->setText(QString::number(s.contrast()));
    saturationValueLabel_->setText(QString::number(s.saturation()));
    const auto& ids = s.selectedEffectTypeIndexs();
    for (size_t i = 0; i < effectCells_.size(); ++i)
        effectCells_[i]->selected(std::find(ids.begin(), ids.end(), effectTypes_[i].id) != ids.end());
}

void EffectsTool::effectResetAction() {
    EditState& s = host().session().state();
    s.setVolume(1.0);
    s.setAdjustment(0, 0, 0);
    s.clearEffects();
    syncEffectControls();
}
