#pragma once

#include "recording/RecordingState.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrum {

// A stretch of the call to silence, in frames of its playback format: [begin, end).
struct SilencedFrames {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

// A recording with stretches of its sound made silent, everything else as it was: the export
// header (its three checksums and audio count made again, as a stamped copy's are), the header,
// the comments and the keywords byte for byte, and the stored audio outside the stretches.
//  - 8-bit or 16-bit PCM: the stretches' bytes become silence (0x80, or 0 for 16-bit), the bytes
//    beyond the sound the player loads included when a stretch reaches its end.
//  - A compressed call keeps its format when the format has a block that decodes to silence
//    (SilentBlocks): the blocks that hold a stretch are replaced by it, and the copy is decoded to
//    check that every stretch is silent. Only blocks change, so a few milliseconds either side of
//    a stretch go silent too, and the first sound after one may decode a little differently (the
//    decoder's memory holds silence, not what was there).
//  - Otherwise the decoded call is written as 8-bit PCM with the stretches silent, and the header
//    says so: its version becomes the uncompressed one of its layout (4 to 5, 7 to 8, 10 to 11)
//    and its wave format the playback format (8-bit mono PCM).
struct RedactedCopy {
    std::vector<std::uint8_t> fileBytes;
    // The sound the player decodes from the copy, in the playback format.
    std::vector<std::uint8_t> sound;
    bool compressed = false;   // the call is stored compressed
    bool writtenAsPcm = false; // ... and the copy holds it as 8-bit PCM
    bool exportHeader = false; // the copy's export header was made again
};

// Makes the copy of the recording the reader opened (its header in `recording`), whose decoded
// sound (the sample store) is `decoded`. False with the reason in `error`.
bool makeRedactedCopy(const RecordingState& recording, std::span<const std::uint8_t> decoded,
                      std::vector<SilencedFrames> stretches, RedactedCopy& copy, std::string& error);

// Writes `bytes` as the new file `path` (0600) through a temporary file in its folder, which takes
// the name only while nothing holds it: an existing file or link there is refused and left alone.
bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

} // namespace kestrum
