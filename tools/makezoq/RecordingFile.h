#pragma once

#include "MakeOptions.h"
#include "StoredAudio.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace makezoq {

// The bytes of the whole recording file: its header (the layout of versions 9 to 11), the
// comment text, the keyword records and the audio. Nothing, with the reason in `error`, when a
// keyword falls outside the audio or the file would be too large for its 32-bit lengths.
std::optional<std::vector<std::uint8_t>> recordingFileBytes(const MakeOptions& options,
                                                            const StoredAudio& audio, std::string& error);

// The comment section: each comment's lines, every line ended by CR LF as the player shows them.
std::string commentText(const std::vector<std::string>& comments);

} // namespace makezoq
