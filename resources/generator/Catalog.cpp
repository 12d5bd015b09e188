#include "Catalog.h"

#include "EffectPictures.h"
#include "PanelPictures.h"
#include "PictureStyle.h"

namespace {

struct StateName {
    const char* suffix;
    ButtonState state;
};

constexpr StateName kFourStates[] = {{"_Normal", ButtonState::Normal},
                                     {"_On", ButtonState::On},
                                     {"_Down", ButtonState::Down},
                                     {"_Disable", ButtonState::Disable}};

} // namespace

Catalog::Catalog() {
    addHome();
    addEditorStrip();
    addEditorButtons();
    addCutterButtons();
    addCutter();
    addCutterPanels();
    addTransport();
    addPanels();
    addSplitter();
    addEffects();
}

// The effects list shows each effect on the same small landscape (drawn at twice the size the
// row shows it, 36 x 24).
void Catalog::addEffects() {
    for (int id = 1; id <= EffectPictures::count(); ++id)
        add(QStringLiteral("Effect/effect_%1.png").arg(id), [id] { return EffectPictures::effect(id, {72, 48}); }, {});
}

void Catalog::add(const QString& path, std::function<QImage()> make, const QColor& matte) {
    entries_.push_back({path, std::move(make), matte});
}

void Catalog::addHome() {
    // Home tiles: the label is drawn by the window in white at the top left of each tile.
    const QSize tile(170, 110);
    const std::pair<const char*, GlyphId> tiles[] = {
        {"Crop", GlyphId::Crop},           {"Effect", GlyphId::Wand},         {"Subtitle", GlyphId::Subtitle},
        {"Watermark", GlyphId::Watermark}, {"Join", GlyphId::Join},           {"EasyCut", GlyphId::Scissors},
        {"BatchCut", GlyphId::BatchCut},   {"AdvancedCut", GlyphId::FilmCut}, {"Rotation", GlyphId::Rotate},
        {"Music", GlyphId::Music},         {"Split", GlyphId::Split}};
    for (const auto& [name, glyph] : tiles)
        for (const StateName& s : kFourStates)
            add(
                QStringLiteral("Main/btn%1%2.bmp").arg(name, s.suffix),
                [glyph = glyph, state = s.state, tile] { return PictureStyle::homeTile(glyph, state, tile); },
                palette::panel);
    add("Main/btnAbout_Normal.png",
        [] {
            return PictureStyle::bareIcon(GlyphId::Info, ButtonState::Normal, {18, 18});
        },
        {});
    add("Main/btnHomepage_Normal.png",
        [] {
            return PictureStyle::bareIcon(GlyphId::Home, ButtonState::Normal, {18, 18});
        },
        {});
}

void Catalog::addEditorStrip() {
    // Editor tool strip: 124 points wide, as tall as the strip.
    const QSize strip(124, 40);
    const std::pair<const char*, GlyphId> tools[] = {
        {"Cut", GlyphId::Scissors},        {"Crop", GlyphId::Crop},         {"Effect", GlyphId::Wand},
        {"WaterMark", GlyphId::Watermark}, {"Subtitle", GlyphId::Subtitle}, {"Rotation", GlyphId::Rotate},
        {"Music", GlyphId::Music}};
    for (const auto& [name, glyph] : tools)
        for (const StateName& s : kFourStates)
            add(
                QStringLiteral("SubFun/btn%1%2.bmp").arg(name, s.suffix),
                [glyph = glyph, state = s.state, strip] {
                    return PictureStyle::toolStrip(glyph, state, strip);
                },
                palette::brand);
}

void Catalog::addEditorButtons() {
    for (const StateName& s : kFourStates) {
        add(
            QStringLiteral("SubFun/btnStart%1.bmp").arg(s.suffix),
            [state = s.state] {
                return PictureStyle::actionButton(GlyphId::Export, state, {150, 44}, palette::go);
            },
            palette::brand);
        add(
            QStringLiteral("About/btnAddFile%1.bmp").arg(s.suffix),
            [state = s.state] {
                return PictureStyle::actionButton(GlyphId::None, state, {160, 40}, palette::brand);
            },
            palette::panel);
        add(
            QStringLiteral("About/btnAddFile_Small%1.bmp").arg(s.suffix),
            [state = s.state] {
                return PictureStyle::actionButton(GlyphId::FolderPlus, state, {40, 30}, palette::brand);
            },
            palette::panel);
        add(
            QStringLiteral("About/btnOK%1.bmp").arg(s.suffix),
            [state = s.state] {
                return PictureStyle::lightButton(state, {80, 30});
            },
            palette::panel);
        add(QStringLiteral("SubFun/btnDeleteWaterMark%1.png").arg(s.suffix),
            [state = s.state] {
                return PictureStyle::bareIcon(GlyphId::Trash, state, {24, 24});
            },
            {});
    }
    for (int i = 0; i < 3; ++i) {
        const StateName& s = kFourStates[i];
        add(QStringLiteral("SubFun/btnAddPicWaterMark%1.png").arg(s.suffix),
            [state = s.state] {
                return PictureStyle::bareIcon(GlyphId::AddPicture, state, {32, 32});
            },
            {});
        add(QStringLiteral("SubFun/btnAddTextWaterMark%1.png").arg(s.suffix),
            [state = s.state] {
                return PictureStyle::bareIcon(GlyphId::AddText, state, {32, 32});
            },
            {});
    }
    // The reveal-folder button lies on the blue export row of every tool window.
    add("SubFun/btnBrowse_Down.png", [] { return PictureStyle::bandIcon(GlyphId::Folder, {24, 24}); }, {});
    const std::pair<const char*, GlyphId> turns[] = {{"SubFun/旋转-左.png", GlyphId::RotateLeft},
                                                     {"SubFun/旋转-右.png", GlyphId::RotateRight},
                                                     {"SubFun/左右翻转.png", GlyphId::FlipHorizontal},
                                                     {"SubFun/上下翻转.png", GlyphId::FlipVertical}};
    for (const auto& [name, glyph] : turns)
        add(QString::fromUtf8(name),
            [glyph = glyph] {
                return PictureStyle::squareIcon(glyph, ButtonState::Normal, {48, 42}, 6);
            },
            {});
    add("im/app_Icon.png", [] { return PanelPictures::appIcon(128); }, {});
}

// The cutter's buttons in their four states.
void Catalog::addCutterButtons() {
    for (const StateName& s : kFourStates) {
        const ButtonState st = s.state;
        add(
            QStringLiteral("Cut/btnCut%1.bmp").arg(s.suffix),
            [st] {
                return PictureStyle::actionButton(GlyphId::Scissors, st, {110, 32}, palette::brand);
            },
            palette::panel);
        add(
            QStringLiteral("Cut/btnCopy%1.bmp").arg(s.suffix),
            [st] {
                return PictureStyle::flatTintButton(st, {50, 20});
            },
            palette::panel);
        add(
            QStringLiteral("Cut/btnModify%1.bmp").arg(s.suffix),
            [st] {
                return PictureStyle::flatTintButton(st, {40, 20});
            },
            palette::panel);
        add(
            QStringLiteral("Cut/btnDeleted%1.bmp").arg(s.suffix),
            [st] {
                return PictureStyle::flatTintButton(st, {50, 20});
            },
            palette::panel);
        const std::pair<const char*, GlyphId> bare[] = {{"Clear", GlyphId::Trash},
                                                        {"MoveUp", GlyphId::ArrowUp},
                                                        {"MoveDown", GlyphId::ArrowDown},
                                                        {"OpenVolume", GlyphId::VolumeOn},
                                                        {"CloseVolume", GlyphId::VolumeOff}};
        for (const auto& [name, glyph] : bare)
            add(QStringLiteral("Cut/btn%1%2.png").arg(name, s.suffix),
                [glyph = glyph, st] {
                    return PictureStyle::bareIcon(glyph, st, {24, 24});
                },
                {});
        const std::pair<const char*, GlyphId> round[] = {
            {"Play", GlyphId::Play}, {"SetStartTime", GlyphId::SetStart}, {"SetEndTime", GlyphId::SetEnd}};
        for (const auto& [name, glyph] : round)
            add(QStringLiteral("Cut/btn%1%2.png").arg(name, s.suffix),
                [glyph = glyph, st] {
                    return PictureStyle::roundIcon(glyph, st, {30, 30});
                },
                {});
    }
}

// The cutter's play, pause, preview and stop pictures.
void Catalog::addCutter() {
    // Play/pause and range preview have no disabled picture of their own.
    for (int i = 0; i < 3; ++i) {
        const ButtonState st = kFourStates[i].state;
        add(QStringLiteral("Cut/btnPause%1.png").arg(kFourStates[i].suffix),
            [st] {
                return PictureStyle::roundIcon(GlyphId::Pause, st, {30, 30});
            },
            {});
        add(QStringLiteral("Cut/btnPreview%1.png").arg(kFourStates[i].suffix),
            [st] {
                return PictureStyle::roundIcon(GlyphId::Preview, st, {30, 30});
            },
            {});
    }
    add(
        "Cut/btnPause_On.bmp",
        [] {
            return PictureStyle::roundIcon(GlyphId::Pause, ButtonState::On, {30, 30});
        },
        palette::panel);
    add(
        "Cut/btnPause_Down.bmp",
        [] {
            return PictureStyle::roundIcon(GlyphId::Pause, ButtonState::Down, {30, 30});
        },
        palette::panel);
    // The stop pictures of the range preview; the hover and pressed names carry two
    // underscores, as the preview button asks for them.
    add("Cut/btnStop_Normal.png",
        [] {
            return PictureStyle::roundIcon(GlyphId::Stop, ButtonState::Normal, {30, 30});
        },
        {});
    add("Cut/btnStop__On.png",
        [] {
            return PictureStyle::roundIcon(GlyphId::Stop, ButtonState::On, {30, 30});
        },
        {});
    add("Cut/btnStop__Down.png",
        [] {
            return PictureStyle::roundIcon(GlyphId::Stop, ButtonState::Down, {30, 30});
        },
        {});
}

// The cutter's slider knob, panels and list rows.
void Catalog::addCutterPanels() {
    add("Cut/btnSlip_Normal.png", [] { return PanelPictures::knob({16, 16}); }, {});
    add(
        "Cut/imgActionBottom.bmp",
        [] {
            return PanelPictures::actionPanel({168, 48});
        },
        palette::panel);
    add(
        "Cut/imgBack.bmp",
        [] {
            return PanelPictures::track({200, 10}, QColor(208, 213, 217));
        },
        palette::panel);
    add(
        "Cut/imgTop.bmp",
        [] {
            return PanelPictures::track({200, 10}, palette::brand);
        },
        palette::panel);
    add(
        "Cut/pbTop.bmp",
        [] {
            return PanelPictures::track({200, 12}, palette::brand);
        },
        palette::panel);
    add(
        "Cut/imgWelcome_center.bmp",
        [] {
            return PanelPictures::field({135, 22});
        },
        palette::panel);
    add(
        "Cut/ListBottom_Normal.bmp",
        [] {
            return PanelPictures::segmentRow({140, 120}, false);
        },
        palette::panel);
    add(
        "Cut/ListBottom_Select.bmp",
        [] {
            return PanelPictures::segmentRow({140, 120}, true);
        },
        palette::panel);
    add("Cut/musicIconB.png", [] { return PanelPictures::audioThumbnail({285, 180}); }, {});
}

void Catalog::addTransport() {
    for (const StateName& s : kFourStates) {
        const ButtonState st = s.state;
        const std::pair<const char*, GlyphId> round[] = {{"Play", GlyphId::Play},
                                                         {"Stop", GlyphId::Stop},
                                                         {"Capture", GlyphId::Camera},
                                                         {"CaptureSet", GlyphId::CameraSet}};
        for (const auto& [name, glyph] : round)
            add(QStringLiteral("Join/btn%1%2.png").arg(name, s.suffix),
                [glyph = glyph, st] {
                    return PictureStyle::roundIcon(glyph, st, {32, 32});
                },
                {});
        if (st != ButtonState::Disable)
            add(QStringLiteral("Join/btnPause%1.png").arg(s.suffix),
                [st] {
                    return PictureStyle::roundIcon(GlyphId::Pause, st, {32, 32});
                },
                {});
    }
    add(
        "Join/CheckBox_Checked.bmp",
        [] {
            return PictureStyle::checkBox(true, {24, 24});
        },
        palette::panel);
    add(
        "Join/CheckBox_NoCheck.bmp",
        [] {
            return PictureStyle::checkBox(false, {24, 24});
        },
        palette::panel);
    add("Join/imgEmail.png",
        [] {
            return PictureStyle::bareIcon(GlyphId::Envelope, ButtonState::Normal, {32, 32});
        },
        {});
}

void Catalog::addPanels() {
    add(
        "Resources/blankBkg.bmp",
        [] {
            return PanelPictures::separator({100, 1});
        },
        palette::panel);
    add("Resources/CategoryHead.png", [] { return PanelPictures::categoryHead({280, 30}); }, {});
    add("Resources/checkFiles.png", [] { return PanelPictures::smallCheck({18, 18}, true); }, {});
    add("Resources/checkNoFiles.png", [] { return PanelPictures::smallCheck({18, 18}, false); }, {});
    add("Resources/defaultMusicZoom.png", [] { return PanelPictures::audioThumbnail({285, 180}); }, {});
    add("Resources/edit_cancel_normal.png", [] { return PanelPictures::cancelButton({80, 26}, false); }, {});
    add("Resources/edit_cancel_alternate.png",
        [] {
            return PanelPictures::cancelButton({80, 26}, true);
        },
        {});
    // The fill of the trim range and of the export bars, which lie on the window's blue: a
    // deeper blue, so that a full bar reads as full there.
    add("Resources/edit_trim_focus.png",
        [] {
            return PanelPictures::track({200, 10}, palette::brandDeep);
        },
        {});
    add("Resources/edit_trimknob_normal.png", [] { return PanelPictures::playHead({17, 17}); }, {});
    add("Resources/edit_trimleft_normal.png", [] { return PanelPictures::trimHandle({9, 12}, true); }, {});
    add("Resources/edit_trimright_normal.png", [] { return PanelPictures::trimHandle({9, 12}, false); }, {});
    add("Resources/Extend.png", [] { return PanelPictures::foldArrow({8, 10}, true); }, {});
    add("Resources/shrink.png", [] { return PanelPictures::foldArrow({8, 10}, false); }, {});
    add("Resources/left_nor.png", [] { return PanelPictures::pageArrow({28, 28}, true, true); }, {});
    add("Resources/left_dis.png", [] { return PanelPictures::pageArrow({28, 28}, true, false); }, {});
    add("Resources/right_nor.png", [] { return PanelPictures::pageArrow({28, 28}, false, true); }, {});
    add("Resources/right_dis.png", [] { return PanelPictures::pageArrow({28, 28}, false, false); }, {});
    add("Resources/MergeBackground.png", [] { return PanelPictures::switchBackground({48, 24}); }, {});
    add("Resources/MergeKnob.png", [] { return PanelPictures::switchKnob({24, 24}); }, {});
    add("Resources/play_notplayed_bkg.png",
        [] {
            return PanelPictures::track({200, 10}, QColor(208, 213, 217));
        },
        {});
    add("Resources/play_played_bkg.png",
        [] {
            return PanelPictures::track({200, 10}, QColor(226, 229, 232));
        },
        {});
    add("Resources/positionBoxA1.png", [] { return PanelPictures::positionBox({240, 60}); }, {});
    add("Resources/selImageView.png", [] { return PanelPictures::tabSelected({120, 24}); }, {});
    add("Resources/selItemBack.png", [] { return PanelPictures::selectionMarker({90, 95}); }, {});
    add("Resources/setingParam.png", [] { return PanelPictures::gearButton({28, 28}); }, {});
    add("Resources/tabCategoryBack.png", [] { return PanelPictures::tabBand({700, 30}); }, {});
    add("Resources/trim_textfield.png", [] { return PanelPictures::field({151, 26}); }, {});
}

void Catalog::addSplitter() {
    // The splitter names its looks by number: 1 normal and hover, 3 pressed and selected,
    // 4 disabled.
    const std::pair<const char*, ButtonState> looks[] = {
        {"_1", ButtonState::Normal}, {"_3", ButtonState::Down}, {"_4", ButtonState::Disable}};
    const std::pair<const char*, GlyphId> buttons[] = {{"HandSplit", GlyphId::PointAdd},
                                                       {"LastPoint", GlyphId::PointPrevious},
                                                       {"NextPoint", GlyphId::PointNext},
                                                       {"RemovePoint", GlyphId::PointRemove}};
    for (const auto& [name, glyph] : buttons)
        for (const auto& [suffix, st] : looks)
            add(
                QStringLiteral("Split/btn%1%2.bmp").arg(name, suffix),
                [glyph = glyph, st = st] {
                    return PictureStyle::squareIcon(glyph, st, {32, 32});
                },
                palette::panel);
    add(
        "Split/btnExample_2.bmp",
        [] {
            return PanelPictures::splitMarker({17, 17}, false, false);
        },
        palette::panel);
    add(
        "Split/imgBegin_1.bmp",
        [] {
            return PanelPictures::splitMarker({17, 17}, true, false);
        },
        palette::panel);
    add(
        "Split/imgBegin_2.bmp",
        [] {
            return PanelPictures::splitMarker({17, 17}, true, true);
        },
        palette::panel);
}
