#include "tools/shared/RangeArea.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/helpers/HelpClass.h"
#include "tools/shared/Loc.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolLayout.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using toollayout::label;
using toollayout::make;

namespace rangearea {

void build(QWidget* parent, QWidget* owner, const Parts& p, const Widths& w, const Actions& a) {
    p.keep = make<QRadioButton>(parent, 10, 248, 160, 24);
    p.keep->setText(loc("SelectTimeBtnTitle"));
    p.cutAway = make<QRadioButton>(parent, 180, 248, 160, 24);
    p.cutAway->setText(loc("UnSelectTimeBtnTitle"));
    p.keep->setChecked(true);
    QObject::connect(p.cutAway, &QRadioButton::toggled, owner, a.modeChanged);

    label(parent, 10, 214, w.label, 24)->setText(loc("StartFieldLabelstringValue"));
    p.startRow = new TimeCodeRow(parent, NSMakeRect(140, 213, 151, 26));
    label(parent, 10, 184, w.label, 24)->setText(loc("stopFieldLabelstringValue"));
    p.stopRow = new TimeCodeRow(parent, NSMakeRect(140, 183, 151, 26));
    for (const bool start : {true, false}) {
        TimeCodeRow* row = start ? p.startRow : p.stopRow;
        auto edited = a.rowEdited;
        row->shouldEndEditing = [edited, start](LxTextField*) { return edited(start); };
        row->stepped = [edited, start](LxTextField*) { edited(start); };
    }
    label(parent, 10, 154, w.label, 24)->setText(loc("cutDurationLabelstringValue"));
    p.lengthValue = label(parent, 140, 154, 150, 24);

    p.reset = make<QPushButton>(parent, 10, 110, w.reset, 30);
    p.reset->setText(loc("ResetBtnTitle"));
    p.applyToAll = make<QPushButton>(parent, 180, 110, w.applyToAll, 30);
    p.applyToAll->setText(loc("ApplytoallBtnTitle"));
    QObject::connect(p.reset, &QPushButton::clicked, owner, a.reset);
    QObject::connect(p.applyToAll, &QPushButton::clicked, owner, a.applyToAll);
}

void showNone(const Parts& p, LxCutProgressView* bar) {
    p.startRow->setTime(0);
    p.stopRow->setTime(0);
    p.lengthValue->setText(HelpClass::returnTimeToStr(0));
    p.keep->setChecked(true);
    bar->setIsFanxuan(false);
    bar->setLowerValue(0, 1);
    bar->setProgress(0);
}

void show(const Parts& p, LxCutProgressView* bar, int64_t startUs, int64_t stopUs, int64_t lengthUs,
          bool cutAway) {
    p.startRow->setTime(double(startUs) / 1e6);
    p.stopRow->setTime(double(stopUs) / 1e6);
    p.lengthValue->setText(HelpClass::returnTimeToStr(double(stopUs - startUs) / 1e6));
    (cutAway ? p.cutAway : p.keep)->setChecked(true);
    bar->setIsFanxuan(cutAway);
    if (lengthUs > 0)
        bar->setLowerValue(float(double(startUs) / double(lengthUs)),
                           float(double(stopUs) / double(lengthUs)));
}

} // namespace rangearea
