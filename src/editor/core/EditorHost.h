// What every editor tool gets from the window it lives in: the open file and its edit state,
// the preview and its picture, the transport and the window's alerts. Tools reach the window
// only through this, so no tool needs the window's class.
//
// Main thread only.
#pragma once

#include "editor/picture/PictureGeometry.h"
#include "platform/Geometry.h"

#include <QSizeF>
#include <QString>

class EditorSession;
class LxMoviePlayer;
class PreviewPane;
class QWidget;
class ToolWindow;

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // The open file and its edit state.
    virtual EditorSession& session() = 0;
    // The preview: its pane (volume, seek, ticking) and its player, null until a file is open.
    virtual PreviewPane* preview() const = 0;
    virtual LxMoviePlayer* player() const = 0;
    // The view that shows the picture now, the picture's rectangle inside it (points, origin
    // bottom-left), and the picture's size in pixels as shown (turned at 90 and 270 degrees).
    virtual QWidget* pictureView() const = 0;
    virtual NSRect pictureRect() const = 0;
    virtual QSizeF videoSize() const = 0;
    // Seconds of the open file (the player's, else the probe's) and of the play head.
    virtual double duration() const = 0;
    virtual double currentTime() const = 0;

    // Transport; every tool sees the outcome through its playStateChanged.
    virtual bool isPlaying() const = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void togglePlay() = 0;
    // The play head's time in the window's time labels (a tool's own bar moved it).
    virtual void showCurrentTime(double seconds) = 0;

    // Turns or mirrors the picture: the edit state carries the crop and the subtitle along,
    // every tool hears pictureTurned, and the window lays the picture out again.
    virtual void turnPicture(picture::Turn turn) = 0;
    // Back to the file's own orientation, turn by turn, so that everything comes back with it.
    virtual void undoTurns() = 0;
    // A tool's contribution to the recipe changed (edit::Aspect bits): the preview is given
    // those aspects again. Changes of the edit state reach the preview on their own.
    virtual void applyEdit(unsigned aspects) = 0;

    // The area right of the panels for a tool whose row asks for the side stage; while that
    // tool is shown the picture and the transport live where it says.
    virtual QWidget* sideStage() const = 0;
    virtual void showPictureIn(QWidget* pictureHost, QWidget* transportHost) = 0;

    // The code of the tool shown (EditorToolType).
    virtual int shownTool() const = 0;

    // The window, for alerts, panels, queued clicks and its closing state.
    virtual ToolWindow& toolWindow() = 0;
    virtual void alert(const QString& text) = 0;
};
