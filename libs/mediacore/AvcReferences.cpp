#include "AvcReferences.h"

#include <algorithm>
#include <array>
#include <climits>

namespace mediacore::avc {

namespace {

constexpr int kMissing = -1; // no picture at this place of a list

struct Ref {
    int picture = kMissing; // index in the group
    int frameNum = 0;
    int poc = 0;
};

using Lists = std::vector<std::array<std::vector<Ref>, 2>>; // per slice, list 0 and list 1

// Picture order count type 0 as the decoder derives it.
class OrderCount {
public:
    int next(const PictureHeader& h) {
        if (h.idr) {
            prevMsb_ = 1 << 16;
            prevLsb_ = -1;
        }
        const int max = 1 << h.seq.log2MaxPocLsb, lsb = h.pocLsb;
        if (prevLsb_ < 0)
            prevLsb_ = lsb;
        if (lsb < prevLsb_ && prevLsb_ - lsb >= max / 2)
            msb_ = prevMsb_ + max;
        else if (lsb > prevLsb_ && prevLsb_ - lsb < -max / 2)
            msb_ = prevMsb_ - max;
        else
            msb_ = prevMsb_;
        if (h.reference) { // the next picture counts from the last reference one
            prevMsb_ = msb_;
            prevLsb_ = lsb;
        }
        return std::min(msb_ + lsb, msb_ + lsb + h.pocBottom);
    }

private:
    int prevMsb_ = 0, prevLsb_ = -1, msb_ = 0;
};

// The decoder's short-term reference pictures, newest first, and the lists it builds from them.
class PictureBuffer {
public:
    explicit PictureBuffer(const SeqParams& s)
        : maxFrameNum_(1 << s.log2MaxFrameNum), maxRefs_(size_t(std::max(1, s.maxRefFrames))) {}

    int nextFrameNum(int frameNum) const { return (frameNum + 1) % maxFrameNum_; }

    // Marks `r` (the picture of header `h` just decoded) as a reference. False where the
    // decoder would report a damaged stream.
    bool mark(const PictureHeader& h, const Ref& r) {
        if (h.idr) {
            refs_.clear();
        } else if (h.adaptive) {
            for (const int d : h.unmark) {
                const int target = ((h.frameNum - d - 1) % maxFrameNum_ + maxFrameNum_) % maxFrameNum_;
                const auto it = std::find_if(refs_.begin(), refs_.end(),
                                             [&](const Ref& q) { return q.frameNum == target; });
                if (it == refs_.end())
                    return false;
                refs_.erase(it);
            }
        } else if (refs_.size() >= maxRefs_) {
            refs_.pop_back(); // the sliding window
        }
        if (std::any_of(refs_.begin(), refs_.end(), [&](const Ref& q) { return q.frameNum == r.frameNum; }))
            return false;
        refs_.insert(refs_.begin(), r);
        return refs_.size() <= maxRefs_;
    }

    // The lists of each slice of `h`, whose order count is `poc`. False when a list lacks a
    // picture it names or counts.
    bool lists(const PictureHeader& h, int poc, Lists* out) const {
        out->clear();
        for (const SliceRefs& s : h.slices) {
            std::array<std::vector<Ref>, 2> lists;
            if (s.type == 0) {
                lists[0] = refs_;
            } else if (s.type == 1) {
                for (int l = 0; l < 2; ++l) {
                    addSorted(&lists[size_t(l)], poc, l == 0);
                    addSorted(&lists[size_t(l)], poc, l != 0);
                }
                // Both lists alike: the decoder swaps the first two of list 1.
                if (lists[0].size() == lists[1].size() && lists[1].size() > 1 &&
                    std::equal(lists[0].begin(), lists[0].end(), lists[1].begin(),
                               [](const Ref& a, const Ref& b) { return a.picture == b.picture; }))
                    std::swap(lists[1][0], lists[1][1]);
            }
            for (int l = 0; l < 2; ++l)
                if (!modify(h.frameNum, s.count[l], s.changes[l], &lists[size_t(l)]))
                    return false;
            out->push_back(std::move(lists));
        }
        return true;
    }

private:
    // The references at or before `limit` in descending order count (`before`), or after it
    // in ascending order; of pictures with the same count the decoder keeps one.
    void addSorted(std::vector<Ref>* out, int limit, bool before) const {
        for (;;) {
            int best = before ? INT_MIN : INT_MAX;
            const Ref* pick = nullptr;
            for (const Ref& r : refs_) {
                if (before ? r.poc <= limit && r.poc >= best : r.poc > limit && r.poc < best) {
                    best = r.poc;
                    pick = &r;
                }
            }
            if (!pick)
                return;
            out->push_back(*pick);
            limit = before ? pick->poc - 1 : pick->poc;
        }
    }

    bool modify(int frameNum, int count, const std::vector<ListChange>& changes,
                std::vector<Ref>* list) const {
        list->resize(size_t(count));
        if (changes.size() > size_t(count))
            return false;
        int pred = frameNum;
        for (size_t index = 0; index < changes.size(); ++index) {
            const int diff = changes[index].second + 1;
            if (diff > maxFrameNum_)
                return false;
            pred = (changes[index].first == 0 ? pred - diff : pred + diff) & (maxFrameNum_ - 1);
            const auto it =
                std::find_if(refs_.rbegin(), refs_.rend(), [&](const Ref& q) { return q.frameNum == pred; });
            if (it == refs_.rend())
                return false;
            size_t i = index;
            while (i + 1 < list->size() && !((*list)[i].picture != kMissing && (*list)[i].frameNum == pred))
                ++i;
            for (; i > index; --i)
                (*list)[i] = (*list)[i - 1];
            (*list)[index] = *it;
        }
        return std::none_of(list->begin(), list->end(), [](const Ref& r) { return r.picture == kMissing; });
    }

    std::vector<Ref> refs_;
    int maxFrameNum_;
    size_t maxRefs_;
};

// The group with every picture decoded: each one's order count and lists.
struct FullDecode {
    std::vector<int> poc;
    std::vector<Lists> lists;
    std::vector<bool> listed;
};

bool decodeAll(const std::vector<const PictureHeader*>& group, FullDecode* out) {
    const size_t n = group.size();
    out->poc.resize(n);
    out->lists.resize(n);
    out->listed.resize(n);
    PictureBuffer dpb(group[0]->seq);
    OrderCount count;
    int prevFrameNum = 0;
    for (size_t i = 0; i < n; ++i) {
        const PictureHeader& h = *group[i];
        if (i > 0 && h.frameNum != prevFrameNum && h.frameNum != dpb.nextFrameNum(prevFrameNum))
            return false; // a gap in the stream itself
        out->poc[i] = count.next(h);
        out->listed[i] = dpb.lists(h, out->poc[i], &out->lists[i]);
        if (h.reference && !dpb.mark(h, {int(i), h.frameNum, out->poc[i]}))
            return false;
        prevFrameNum = h.frameNum;
    }
    return true;
}

// Adds to `decode` what its pictures refer to, and what those refer to in turn; false when a
// picture to decode has lists the decoder could not build.
bool addReferred(const FullDecode& full, std::vector<bool>* decode) {
    for (size_t i = decode->size(); i-- > 0;) {
        if (!(*decode)[i])
            continue;
        if (!full.listed[i])
            return false;
        for (const auto& slice : full.lists[i])
            for (const auto& list : slice)
                for (const Ref& r : list)
                    (*decode)[size_t(r.picture)] = true;
    }
    return true;
}

} // namespace

std::vector<bool> picturesToDecode(const std::vector<const PictureHeader*>& group,
                                   const std::vector<bool>& wanted) {
    const size_t n = group.size();
    if (n == 0 || wanted.size() != n || !group[0]->idr)
        return {};
    for (const PictureHeader* h : group)
        if ((h != group[0] && h->idr) || h->seq.pocType != 0 || h->seq.gapsAllowed || !h->seq.frameMbsOnly ||
            h->seq.log2MaxFrameNum != group[0]->seq.log2MaxFrameNum ||
            h->seq.maxRefFrames != group[0]->seq.maxRefFrames)
            return {};
    FullDecode full;
    std::vector<bool> decode = wanted;
    if (!decodeAll(group, &full) || !addReferred(full, &decode))
        return {};
    return decode;
}

} // namespace mediacore::avc
