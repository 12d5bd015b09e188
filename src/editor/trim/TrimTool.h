// The trim tool: the section of the file to keep or to delete, set with the trim bar under the
// picture, the "【" and "】" buttons at the play head, or typed and stepped in the time-code
// rows. Every stored range satisfies 0 <= start < stop <= duration, wherever it came from; a
// refused time changes nothing stored (a typed one keeps its field in editing, a stepped one
// is taken back) and says why.
//
// Main thread only; a child of the window's trim panel.
#pragma once

#include "editor/core/EditorTool.h"
#include "foundation/controls/LxCutProgressViewDelegate.h"

#include <QObject>

class LxCutProgressView;
class LxTextField;
class QComboBox;
class QLabel;
class TimeCodeRow;
class ZylButton;
class ZylImageView;

class TrimTool : public QObject, public EditorTool, public LxCutProgressViewDelegate {
    Q_OBJECT
public:
    TrimTool(EditorHost& host, ZylImageView* panel);

    // The controls, for tests.
    struct Outlets {
        LxCutProgressView* bar = nullptr; // the trim bar under the picture
        TimeCodeRow* startRow = nullptr;
        TimeCodeRow* stopRow = nullptr;
        QLabel* startLabel = nullptr;
        QLabel* endLabel = nullptr;
        QLabel* preferenceLabel = nullptr;
        QComboBox* preference = nullptr; // keep (0) or delete (1) the section
        ZylButton* setStart = nullptr;
        ZylButton* setStop = nullptr;
        ZylButton* play = nullptr;
        ZylButton* reset = nullptr;
    };
    const Outlets& outlets() const { return o_; }

    // Stored trim range in seconds (0 stop: to the end of the file).
    double trimStartSeconds() const;
    double trimStopSeconds() const;

    // The panel's actions.
    void setStartTrimBtnTouchUp();
    void setStopTrimBtnTouchUp();
    void playTrimBtnTouchUp();
    void resetTrimBtnTouchUp();
    void actionPreferencesBtn(int index);

    // EditorTool
    void fileOpened() override;
    void setEditable(bool editable) override;
    void playStateChanged(bool playing) override;
    void playerTick(double current, double duration) override;
    void movedOntoIndexLine(IndexLineMove& move) override;
    QWidget* bar() const override;

    // The trim bar's callbacks.
    void actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue, float stopvalue,
                                                 int handleType) override;
    void actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) override;

private:
    void buildPanel(ZylImageView* panel);
    void storeRange(double startSeconds, double stopSeconds);
    void showRange();
    // The trim bar's play head at the preview's time (the handle setters move it to themselves).
    void showPlayHeadOnBar();
    // TrimTool_fields.cpp
    void bindFields();
    bool checkTrimStart(LxTextField* field);
    bool checkTrimStop(LxTextField* field);
    void trimStepped(TimeCodeRow* row);
    void alert(const char* key);

    Outlets o_;
};
