// The preview player's side of a recipe (EditRecipe): each call the player's own setter. The
// player neither cuts nor crops (the trim bar and the crop view show those over the whole
// picture), so it takes the range and the crop without acting on them. One receiver lives as
// long as its player and remembers what it gave it: the sound stream is switched only when
// another is chosen, a subtitle file is read only when another is chosen, and the same marks
// are not sent twice.
//
// Main thread only.
#pragma once

#include "editor/core/EditRecipe.h"

class LxMoviePlayer;
class PreviewPane;

class PreviewReceiver : public EditReceiver {
public:
    PreviewReceiver(LxMoviePlayer& player, PreviewPane& pane) : player_(player), pane_(pane) {}

    void sound(int audioStreamIndex, double volume, double originalSoundLevel,
               bool removeOriginalSound) override;
    int subtitle(const SUBTITLE_PARAM* param) override;
    int effects(const std::vector<int>& ids) override;
    void adjust(int brightness, int contrast, int saturation) override;
    int range(int64_t, int64_t) override { return 1; }
    void crop(const RECT&) override {}
    void turn(int angle, int hFlip, int vFlip) override;
    int marks(const overlays::MarkRecords& marks) override;
    int music(const std::vector<MusicTrack>& tracks) override;

    LxMoviePlayer& player() const { return player_; }

private:
    LxMoviePlayer& player_;
    PreviewPane& pane_;
    int stream_ = -1; // the stream the player was last given
    // What the player was last given: the subtitle and the marks.
    SUBTITLE_PARAM subtitle_{};
    bool subtitleSent_ = false;
    overlays::MarkRecords marks_;
    bool marksSent_ = false;
    bool marksAccepted_ = true;
};
