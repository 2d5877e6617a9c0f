#pragma once

#include "audio/SampleStore.h"
#include "recording/RecordingState.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kestrum {

// What to convert a loaded call to.
struct ConversionRequest {
    std::string outputPath; // its extension picks the kind of file (see AudioFileFormat)
    double fromSeconds = 0;
    std::optional<double> toSeconds; // the end of the call when not given
    int wavBits = 0;                 // 8 or 16 for .wav; 0: the call's own
};

// How far a conversion got, in frames of the section.
using ConversionProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Writes the section of a call (its header read and its audio loaded into `store`) as a standard
// audio file, with the call's details as tags and its keywords as chapter marks. The file is
// written as a new file (0600) beside the output and renamed to it when complete: on failure
// nothing is left at the output's path and an existing file there is untouched. False with the
// reason in `error`.
bool convertCall(const RecordingState& recording, const SampleStore& store, const ConversionRequest& request,
                 const ConversionProgress& progress, std::string& error);

} // namespace kestrum
