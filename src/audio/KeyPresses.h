#pragma once

#include "audio/SilenceMap.h"
#include "recording/WaveFormat.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kestrum {

// One telephone key pressed during the call: its key ('0'-'9', '*', '#', 'A'-'D') and where its tone
// sounds, in frames of the call. The key is for zoqtool's listing alone: the player keeps only where
// keys were pressed (keyPressPlaces), so that a card number keyed in never shows, nor is logged.
struct KeyPress {
    char digit = 0;
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    bool operator==(const KeyPress&) const = default;
};

// The key presses in the store's PCM (any channels and rate: mixed and brought to 8000 Hz first),
// found by spandsp's DTMF receiver and then placed to the millisecond by the level of the key's two
// tones. A tone pair that lasts less than kShortestKeyPressSeconds is not taken for a key: telephones
// sound a key for 40 ms or more, and speech, music and short blips can briefly look like a pair.
// Single tones never count: a key sounds two.
inline constexpr double kShortestKeyPressSeconds = 0.03;
std::vector<KeyPress> findKeyPresses(std::span<const std::uint8_t> pcm, const WaveFormat& format);

// Where the keys were pressed, without which keys.
std::vector<FrameSpan> keyPressPlaces(const std::vector<KeyPress>& presses);

} // namespace kestrum
