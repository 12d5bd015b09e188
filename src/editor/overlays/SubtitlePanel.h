// The subtitle tool's panel of the editor: a subtitle file (.srt, .ass, .ssa) to burn into
// the export and, for .srt files, the font (from the fonts installed on this machine), the
// colour and the vertical position. Every choice goes into the edit state's subtitle style,
// from which the preview and the export take it.
//
// A file that is not a readable subtitle (no cue in it, or text in a legacy encoding rather
// than UTF-8) is refused with a message and changes nothing. Main thread only.
#pragma once

#include "editor/core/EditorTool.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QSlider;
class SubtitleParam;
class ZylButton;

class SubtitlePanel : public QWidget, public EditorTool {
    Q_OBJECT
public:
    // Why a subtitle file cannot be used (None when it can). TooLarge and CueTooLong are the
    // engine's bounds (a file or one subtitle too large to draw in bounded time).
    enum class Problem { None, Unreadable, NoCues, LegacyEncoding, TooLarge, CueTooLong };
    static Problem checkSubtitleFile(const QString& path);
    // The font files installed on this machine (.ttf, .ttc, .otf), by file name, sorted, and
    // the full path of each.
    static QStringList installedFonts(QStringList* paths = nullptr);

    SubtitlePanel(EditorHost& host, QWidget* parent);

    // The open file changed (or its style was reset): the controls show the style.
    void refresh();
    void setControlsEnabled(bool enabled);

    // EditorTool
    void fileOpened() override { refresh(); }
    void setEditable(bool editable) override { setControlsEnabled(editable); }

    // The panel's actions; loadFile() is what the open panel does with its choice.
    bool loadFile(const QString& path);
    void openLoadPanel();
    void chooseItem(int index);
    void chooseFont(int index);
    void setColour(const QColor& colour);
    void setPositionFraction(double v); // 0..1 of the picture height

    // The controls, for tests.
    struct Outlets {
        QComboBox* subtitle_popUpBtn = nullptr;
        QComboBox* subtitleFont_popUpBtn = nullptr;
        ZylButton* colourWell = nullptr;
        ZylButton* positionBtn = nullptr;
        QSlider* subtitleAlphSlider = nullptr;
    };
    const Outlets& outlets() const { return o_; }

private:
    // The edit state's style; null while no file is open.
    const SubtitleParam* style() const;
    void edit(const std::function<void(SubtitleParam&)>& change);
    void ensureFontList(SubtitleParam& style);
    void enableByType();

    Outlets o_;
    QString captionPath_;
    QStringList fontPaths_;
    bool enabled_ = false;
};
