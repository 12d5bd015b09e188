// Where one background track goes: the range of the music file that is heard and the slot on
// the video's time line it fills. The preview player and the export both take a track's
// placement from here, so what is heard while editing is what the export mixes.
#pragma once

class MusicInfo;

struct MusicPlacement {
    double musicStart = 0; // seconds into the music file
    double musicEnd = 0;
    double slotStart = 0; // seconds on the video's time line
    double slotEnd = 0;
    double fadeIn = 0; // fade lengths in seconds
    double fadeOut = 0;
    double volume = 1; // the track's gain

    bool operator==(const MusicPlacement&) const = default;
};

// Without repeat a track plays its range once and stops; with repeat it fills its whole slot.
// Without a pruned range the music runs from its start for as long as the slot or the file
// lasts, whichever ends first.
MusicPlacement musicPlacement(const MusicInfo& track);
