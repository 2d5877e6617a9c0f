#include "audio/SourceCursor.h"

#include <algorithm>
#include <cstring>

namespace kestrum {

std::uint64_t SourceCursor::settle(const SoundPlan& plan) {
    const std::uint64_t stored = clock_.framesIn(store_.indexCount());
    const bool skipping = plan.skipSilence && !plan.looping && plan.skippable;
    // Each turn moves the position on past a skipped stretch or back to the loop's begin mark once.
    for (;;) {
        std::uint64_t end = plan.looping ? std::min(plan.loopEnd, plan.length) : plan.length;
        // A loop starts again at its begin mark (one over nothing plays nothing).
        if (plan.looping && position_ >= end && end > plan.loopBegin) {
            position_ = plan.loopBegin;
            continue;
        }
        if (skipping) {
            // The next silent stretch: jumped over from its start, played through from inside it
            // (where a keyword or the user put the position).
            const std::vector<FrameSpan>& spans = *plan.skippable;
            const auto next =
                std::upper_bound(spans.begin(), spans.end(), position_,
                                 [](std::uint64_t frame, const FrameSpan& span) { return frame < span.end; });
            if (next != spans.end()) {
                if (position_ == next->begin) {
                    position_ = next->end;
                    continue;
                }
                if (position_ < next->begin)
                    end = std::min(end, next->begin);
            }
        }
        return std::min(end, stored);
    }
}

std::uint64_t SourceCursor::read(const SoundPlan& plan, std::uint8_t* to, std::uint64_t wanted,
                                 std::uint64_t& from) {
    const std::uint64_t end = settle(plan);
    from = position_;
    if (position_ >= end)
        return 0;
    const std::uint64_t frames = std::min(end - position_, wanted);
    std::memcpy(to, store_.samples().data() + clock_.bytesOf(position_), clock_.bytesOf(frames));
    position_ += frames;
    return frames;
}

bool SourceCursor::atEnd(const SoundPlan& plan) const {
    return !plan.looping && !plan.loading && position_ >= plan.length;
}

} // namespace kestrum
