// A file a player showed by its stored times (a large MPEG stream whose index is read behind its
// opening), held open on those times after the player has gone, with no decoder and no thread.
// A window that kept times from that player (a clip's range) can still take them onto the
// index's line once the process holds the index, as the player would have had it stayed.
// Create, ask and destroy it on one thread.
#pragma once

#include "mediacore/CMTime.h"

#include <QString>
#include <memory>

class LxStoredTimesLine {
public:
    explicit LxStoredTimesLine(const QString& path);
    ~LxStoredTimesLine();
    LxStoredTimesLine(const LxStoredTimesLine&) = delete;
    LxStoredTimesLine& operator=(const LxStoredTimesLine&) = delete;

    // Opened on the stored times: false where the file needs no index, or its index was held
    // already (an opening now is on the index's line).
    bool isOnStoredTimes() const;
    // Whether the process holds the file's index now (reads nothing).
    bool isIndexHeld() const;
    // Takes the held index: from then on the two calls below answer. False where it cannot.
    bool moveOntoIndexLine();
    // A time of the stored line on the index's line: the time the picture shown there has now.
    CMTime timeOnIndexLine(CMTime storedTime) const;
    // The file's length on the index's line.
    CMTime duration() const;

private:
    struct Input;
    std::unique_ptr<Input> in_;
};
