// What the tests of the list windows (joiner, batch cutter) do with their shared controls:
// add files through the open panel, select rows, type range times, read them back, and set
// the volume slider. Each tool's driver adds its own controls.
#pragma once

#include "ToolWindowDriver.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSImageView.h"
#include "tools/shared/ClipListWindow.h"
#include "tools/shared/JoinnerCell.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/TimeCodeRow.h"

#include <QRegularExpression>
#include <cmath>

namespace tooltest {

template <typename W> class ClipListDriver : public WindowHolder<W> {
public:
    using WindowHolder<W>::window;

    void addFile(const QString& path) { pickFile(window->addfileBtn, path); }

    void selectRow(int i) {
        JoinnerCell* row = window->fileListTableView->row(i);
        ASSERT_NE(row, nullptr);
        if (window->fileListTableView->selectedIndex() != i)
            QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(40, 10));
        settle();
        ASSERT_EQ(window->fileListTableView->selectedIndex(), i);
    }

    // Enters a time "hh:mm:ss.cc" into a range row as one edit: the first three parts are
    // put in place and the hundredths typed, ending with Return. A bare number goes into the
    // hours field alone.
    static void type(TimeCodeRow* row, const QString& value) {
        const QStringList parts = value.split(QRegularExpression("[:.]"));
        if (parts.size() != 4) {
            typeField(row->field(TimeCodeRow::Hours), value);
            return;
        }
        for (int i = 0; i < 3; ++i)
            row->field(i)->setText(parts[i]);
        typeField(row->field(TimeCodeRow::Hundredths), parts[3]);
    }
    static void type(TimeCodeRow* row, double seconds) {
        const auto p = TimeCodeRow::parts(seconds);
        type(row,
             QString::asprintf("%02ld:%02ld:%02ld.%02ld", long(p[0]), long(p[1]), long(p[2]), long(p[3])));
    }
    // What a range row shows, as "hh:mm:ss.cc".
    static QString shown(const TimeCodeRow* row) {
        return QString("%1:%2:%3.%4")
            .arg(row->field(0)->text(), row->field(1)->text(), row->field(2)->text(), row->field(3)->text());
    }

    // The selected file's range from start to stop seconds, kept or removed.
    void setRange(double start, double stop, bool remove = false) {
        type(window->startTimeRow, start);
        type(window->stopTimeRow, stop);
        click(remove ? window->unSelectTimeBtn : window->selectTimeBtn);
    }

    // Clicks the volume slider at the point of the fraction f (0 to 1) of its travel.
    void setVolumeSlider(double f) {
        LxProgressSlider* s = window->volumeSlider;
        const int thumb = s->tickMarkView()->width();
        const int x = int(std::lround(thumb / 2.0 + f * (s->width() - thumb)));
        QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(x, s->height() / 2));
        settle();
    }
};

} // namespace tooltest
