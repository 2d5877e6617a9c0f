#pragma once

#include "convert/WavFile.h"
#include "recording/WaveFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace makezoq {

// The audio section of a recording to make, and the formats its header gives.
struct StoredAudio {
    int version = 0;
    // The header's audioFormat: the WAV's own format for compressed audio, else 8-bit PCM.
    kestrum::WaveFormat audioFormat;
    // The format the player decodes or reads the audio into: keyword positions count its bytes.
    kestrum::WaveFormat playbackFormat;
    std::vector<std::uint8_t> bytes;

    double seconds() const { return static_cast<double>(bytes.size()) / audioFormat.avgBytesPerSec; }
};

// Turns the WAV's audio into the audio of a recording of `version` (or the version that suits
// the WAV when none is asked for): compressed audio is kept as whole codec blocks for version
// 10; PCM becomes unsigned 8-bit for versions 9 and 11. Then whole blocks from the start are
// appended again until it lasts at least `repeatToSeconds`. Nothing, with the reason in `error`,
// when the WAV cannot be stored that way.
std::optional<StoredAudio> makeStoredAudio(const kestrum::WavContents& wav, std::optional<int> version,
                                           double repeatToSeconds, std::string& error);

} // namespace makezoq
