// What the join job is given for a list of clips: the engine clips in order (a keep clip is
// its range; a remove clip is the parts before and after its range, an empty part dropped),
// each with its sound level in percent and the transition into the next clip.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class SimpleData;

class JoinPlan {
public:
    struct Clip {
        QString path;
        size_t entry = 0; // the list entry it comes from
        int64_t startUs = 0;
        int64_t endUs = 0;
        int volumePercent = 100;
        int transition = 0;       // 0 none, 1 left, 2 top, 3 fade
        int64_t transitionUs = 0; // length of the transition into the next clip
        // A refused transition fails the join (a remove clip's); otherwise it is only logged.
        bool transitionRequired = false;
    };
    // The transition after a remove clip: one second, whatever the pieces' lengths.
    static constexpr int64_t kRemoveTransitionUs = 1000000;

    // The engine clips of the list, in order.
    static std::vector<Clip> clips(const std::vector<std::shared_ptr<SimpleData>>& list);
    // The engine's percent of a gain (1 = unchanged), 0 to 200.
    static int volumePercent(double gain);
    // The length of a transition between pieces of a and b microseconds: a third of the
    // shorter, at most 3 s; 0 when that is not above half a second.
    static int64_t transitionLength(int64_t aUs, int64_t bUs);
};
