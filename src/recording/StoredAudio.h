#pragma once

#include <cstdint>

namespace kestrum {

struct RecordingState;

// The audio as a recording file stores it, from where the reader finds it to the end of the file:
// its length and CRC-32. Two files with the same are taken to hold the same sound; a save and the
// player's watch on the file tell by it whether a file put in the recording's place is still the
// call that was opened.
struct StoredAudio {
    std::int64_t length = -1; // -1: not known
    std::uint32_t crc = 0;

    bool known() const { return length >= 0; }
    bool operator==(const StoredAudio&) const = default;
};

// The stored audio of the recording open in `fd`, whose header `recording` holds (read with pread:
// the descriptor's position is left alone). Not known when the file cannot be read to its end.
StoredAudio storedAudioOf(int fd, const RecordingState& recording);

} // namespace kestrum
