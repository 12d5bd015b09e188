// Builds filter graphs filter by filter, with every option set as a value (never parsed from
// a graph string), so user paths and texts need no escaping.
//
// Ownership: the graph belongs to the caller; the filters created here belong to the graph.
// Threading: use on one thread, like the graph.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavfilter/avfilter.h>
}

namespace mediafx {

using FilterOptions = std::vector<std::pair<const char*, std::string>>;

class FilterChain {
public:
    explicit FilterChain(AVFilterGraph* graph) : graph_(graph) {}

    // Creates and initialises one filter; null (and error() set) on failure.
    AVFilterContext* create(const char* filter, const FilterOptions& options = {});
    // Links pad fromPad of `from` to pad toPad of `to`.
    bool link(AVFilterContext* from, AVFilterContext* to, unsigned toPad = 0, unsigned fromPad = 0);
    // Starts the running chain at `head`.
    void start(AVFilterContext* head) { tail_ = head; }
    // Creates a filter and links the running chain's tail into its first input.
    AVFilterContext* append(const char* filter, const FilterOptions& options = {});
    AVFilterContext* tail() const { return tail_; }
    void setTail(AVFilterContext* tail) { tail_ = tail; }
    int error() const { return error_; }
    bool ok() const { return error_ >= 0; }

private:
    AVFilterGraph* graph_;
    AVFilterContext* tail_ = nullptr;
    int error_ = 0;
    int counter_ = 0;
};

// Seconds with microsecond precision as option text ("12.345678").
std::string seconds(int64_t us);

} // namespace mediafx
