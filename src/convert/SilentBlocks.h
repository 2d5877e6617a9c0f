#pragma once

#include "recording/WaveFormat.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrum {

// A stored block of a compressed format that its decoder turns into silence, and how blocks line
// up with the decoded frames. A redacted copy puts it in place of the blocks it silences, so the
// call keeps its format; whether the blocks really decode to silence there is checked on the copy.
struct SilentBlock {
    std::vector<std::uint8_t> bytes; // one block
    std::uint64_t framesPerBlock = 0;
    // Silent blocks put before a stretch: a decoder with memory (TrueSpeech's synthesis filters)
    // still rings with what came before for part of the first one.
    std::uint64_t leadBlocks = 0;
};

// The silent block of the stored format when it decodes frame for frame into the playback format
// (one channel, the same rate): TrueSpeech, mu-law, A-law. Nothing for other formats.
std::optional<SilentBlock> silentBlockFor(const WaveFormat& stored, const WaveFormat& playback);

} // namespace kestrum
