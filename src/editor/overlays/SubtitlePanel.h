// The subtitle tool's panel of the editor: a subtitle file (.srt, .ass, .ssa) to burn into
// the export and, for .srt files, the font (from the fonts installed on this machine), the
// colour and the vertical position. Every choice goes to the preview player at once and is
// kept in the edit state's subtitle style, which the export reads.
//
// A file that is not a readable subtitle (no cue in it, or text in a legacy encoding rather
// than UTF-8) is refused with a message and changes nothing. Main thread only.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class LxMoviePlayer;
class QComboBox;
class QSlider;
class SubtitleParam;
class ZylButton;

class SubtitlePanel : public QWidget {
    Q_OBJECT
public:
    struct Host {
        std::function<LxMoviePlayer*()> player;
        std::function<SubtitleParam*()> style; // the edit state's; null while no file is open
        std::function<double()> pictureHeight; // pixels as shown
        std::function<void(const QString&)> alert;
    };

    // Why a subtitle file cannot be used (None when it can). TooLarge and CueTooLong are the
    // engine's bounds (a file or one subtitle too large to draw in bounded time).
    enum class Problem { None, Unreadable, NoCues, LegacyEncoding, TooLarge, CueTooLong };
    static Problem checkSubtitleFile(const QString& path);
    // The font files installed on this machine (.ttf, .ttc, .otf), by file name, sorted, and
    // the full path of each.
    static QStringList installedFonts(QStringList* paths = nullptr);

    SubtitlePanel(QWidget* parent, Host host);

    // The open file changed (or its style was reset): the controls show the style.
    void refresh();
    void setControlsEnabled(bool enabled);

    // The panel's actions; loadFile() is what the open panel does with its choice.
    bool loadFile(const QString& path);
    void openLoadPanel();
    void chooseItem(int index);
    void chooseFont(int index);
    void setColour(const QColor& colour);
    void setPositionFraction(double v); // 0..1 of the picture height

    QComboBox* subtitle_popUpBtn = nullptr;
    QComboBox* subtitleFont_popUpBtn = nullptr;
    ZylButton* colourWell = nullptr;
    ZylButton* positionBtn = nullptr;
    QSlider* subtitleAlphSlider = nullptr;

private:
    void sendToPlayer();
    void ensureFontList(SubtitleParam& style);
    void enableByType();

    Host host_;
    QString captionPath_;
    QStringList fontPaths_;
    bool enabled_ = false;
};
