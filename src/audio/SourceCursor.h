#pragma once

#include "audio/FrameClock.h"
#include "audio/SampleStore.h"
#include "audio/SoundPlan.h"

#include <cstdint>

namespace kestrum {

// Reads the call's frames in the order the transport plays them: from the position on, a loop
// wrapping at its end mark, skipping jumping over silent stretches, and waiting where the store
// ends while the call loads.
class SourceCursor {
  public:
    SourceCursor(const SampleStore& store, const FrameClock& clock) : store_(store), clock_(clock) {}

    void moveTo(std::uint64_t frame) { position_ = frame; }
    std::uint64_t position() const { return position_; }

    // Copies up to `wanted` frames of one unbroken stretch of the call into `to`, the stretch's
    // first frame in `from`. 0 when nothing can be read now: at the end, or waiting for the loader.
    std::uint64_t read(const SoundPlan& plan, std::uint8_t* to, std::uint64_t wanted, std::uint64_t& from);
    // No more frames will ever come: play has reached the call's end (a loop never does).
    bool atEnd(const SoundPlan& plan) const;

  private:
    // Moves the position past a loop's end or a skipped stretch; the end of what can be read from
    // there on, at most the call's end.
    std::uint64_t settle(const SoundPlan& plan);

    const SampleStore& store_;
    const FrameClock& clock_;
    std::uint64_t position_ = 0;
};

} // namespace kestrum
