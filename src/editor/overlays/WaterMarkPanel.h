// The watermark tool's panel of the editor: the list of the open file's watermarks (pictures,
// videos and texts), adding, deleting, selecting and checking them, and the selected mark's
// display time, the part of a video mark's own file, transparency, size and keep-aspect, and
// a text's font and colour. The selected mark is shown for editing by an LxWaterView over the
// player's picture; the checked marks go to the preview player at every change, and to each
// export pass as records in picture pixels.
//
// Main thread only. The panel owns its controls, the overlay view (a child of the player's
// area, made anew for each player) and the pictures of its text marks.
#pragma once

#include "editor/core/EditorTool.h"
#include "editor/overlays/LxWaterView.h"
#include "editor/overlays/WaterMarkRecords.h"
#include "platform/Geometry.h"

#include <QPointer>
#include <QSizeF>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

class LxMoviePlayer;
class QCheckBox;
class QLabel;
class QScrollArea;
class QSlider;
class QSpinBox;
class TextPictureCache;
class TimeCodeRow;
class WaterMarkCellItemView;
class WaterParam;
class ZylButton;

class WaterMarkPanel : public QWidget, public EditorTool {
    Q_OBJECT
public:
    WaterMarkPanel(EditorHost& host, QWidget* parent);
    ~WaterMarkPanel() override;

    // EditorTool
    void fileOpened() override;
    void setEditable(bool editable) override;
    void setShown(bool shown) override { setToolShown(shown); }
    void playStateChanged(bool playing) override;
    void pictureTurned(picture::Turn turn, QSizeF before) override;
    void pictureMoved() override;
    bool contribute(EditRecipe& recipe) override;
    void movedOntoIndexLine(IndexLineMove& move) override;

    // A new player was made: the overlay goes onto its picture.
    void initWatermarkView();
    // The picture moved or changed size: the overlay follows, the marks keep their place on it.
    void layoutOverlay();
    // The watermark tool is shown or left; while playing the overlay hides.
    void setToolShown(bool shown);
    // Sends the checked marks to the player; with `editing` the selected one is left to the
    // overlay. Paused players redraw at once.
    void refreshPlayerWaterMark(bool editing);
    // The records of the checked marks for an export pass; false when a text picture cannot
    // be written (*error names the mark).
    bool exportRecords(overlays::MarkRecords* out, QString* error);

    // The panel's actions (the buttons run these after their panels).
    bool addPictureFile(const QString& path); // false, with an alert, for an unusable file
    void openAddPicturePanel();
    void addText();
    void deleteSelected();
    void selectRow(int row);
    void setChecked(int row, bool checked);
    void setText(int row, const QString& text);
    void setTransparency(int percent);
    void setMarkSize(double width, double height); // overlay points
    void setKeepAspect(bool keep);
    void setFont(const QString& family, double size);
    void setColour(const QColor& colour);
    // Display start and duration, and for a video mark the part of its own file (seconds).
    // False, with an alert, when refused: nothing is stored then.
    bool setDisplayTime(double start, double duration);
    bool setFileRange(double start, double end);
    void enableWaterChildView(bool enable);

    const overlays::WaterList& list() const { return list_; }
    int selectedIndex() const { return selected_; }
    WaterParam* selectedMark() const;
    LxWaterView* overlay() const { return overlay_; }
    const std::vector<WaterMarkCellItemView*>& rows() const { return rows_; }
    TextPictureCache& textPictures() { return *cache_; }

    // The controls, for tests.
    struct Outlets {
        ZylButton* imagemarkBtn = nullptr;
        ZylButton* textmarkBtn = nullptr;
        ZylButton* deletedmarkBtn = nullptr;
        QCheckBox* keepAspectBox = nullptr;
        TimeCodeRow* startRow = nullptr;
        TimeCodeRow* durationRow = nullptr;
        TimeCodeRow* fileStartRow = nullptr;
        TimeCodeRow* fileEndRow = nullptr;
        QSpinBox* alphaField = nullptr;
        QSlider* alphaSlider = nullptr;
        QSpinBox* widthField = nullptr;
        QSpinBox* heightField = nullptr;
        ZylButton* fontBtn = nullptr;
        ZylButton* colourBtn = nullptr;
    };
    const Outlets& outlets() const { return o_; }

private:
    void clearList(); // another file: the list empties
    void buildControls();
    void buildTimeGroups();
    void buildStyleGroup();
    void layoutGroups();
    void bindTimeRow(TimeCodeRow* row, bool fileRange);
    void refresWaterMarkListView();
    void refreshWaterTime();
    void showSelectionOnOverlay();
    void storeOverlayRect();
    void refitText(WaterParam& mark);
    QImage pictureOf(const WaterParam& mark) const;
    double overlayWidth() const;
    bool editable() const;

    Outlets o_;
    overlays::WaterList list_;
    int selected_ = -1;
    std::vector<WaterMarkCellItemView*> rows_;
    QPointer<LxWaterView> overlay_;
    std::unique_ptr<TextPictureCache> cache_;
    mutable std::map<QString, QImage> stills_; // pictures of the marks' files, by path
    double scaleWidth_ = 0;                    // the overlay width the text marks' font sizes refer to
    bool toolShown_ = false;
    bool playing_ = false;
    bool editing_ = false;           // the selected mark is shown by the overlay, not by the player
    bool childViewsEnabled_ = false; // the editing controls are on (enableWaterChildView)

    QScrollArea* listScroll_ = nullptr;
    QWidget* listDocument_ = nullptr;
    QWidget* fileGroup_ = nullptr;  // the part of a video mark's own file
    QWidget* styleGroup_ = nullptr; // transparency, size or font
    QWidget* sizeGroup_ = nullptr;
    QWidget* fontGroup_ = nullptr;
};
