#pragma once

#include "audio/SilenceMap.h"
#include "audio/SoundFilter.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrum {

// What the transport asks of the sound at one moment, handed to the sound renderer whole whenever
// any of it changes. Positions are frames of the call.
struct SoundPlan {
    // A new generation at every jump (a move of the position that is not the sound's own course):
    // the sound starts again at `from`, and whatever was made ready for the old place goes.
    std::uint32_t generation = 0;
    std::uint64_t from = 0;
    // The new generation goes on exactly where the last one was heard (`from` is the transport's
    // idea of that): a change of aid or tempo, heard at once, with nothing lost or repeated.
    bool continues = false;
    bool running = false; // playing or loop playing, and not held: the device takes sound
    bool looping = false;
    std::uint64_t loopBegin = 0;
    std::uint64_t loopEnd = 0;
    std::uint64_t length = 0; // about the length while the call loads
    bool loading = false;
    bool skipSilence = false;
    std::shared_ptr<const std::vector<FrameSpan>> skippable; // what skipping silence jumps over
    SoundFilterChoice filters;
    std::uint32_t filterTrial =
        0;              // a new one when the user chooses aids: a filter that failed is tried again
    double tempo = 1.0; // the time-stretcher's, with Keep pitch
};

} // namespace kestrum
