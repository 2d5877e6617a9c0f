#pragma once

#include "audio/SampleStore.h"
#include "recording/WaveFormat.h"

#include <cstddef>
#include <string>

namespace bench {

struct LoadResult {
    int failed = 1;
    double seconds = 0;          // wall time of opening the recording and loading its audio
    std::size_t samples = 0;     // entries in the store afterwards
    double samplesPerSecond = 0; // the playback format's rate, the waveform's points per second
    kestrum::WaveFormat format;  // the playback format
};

// Loads a recording as the player does at start-up: open it, then load its audio into `store`.
// The store is the caller's, so the loaded audio outlives the call (for memory readings, drawing).
LoadResult loadAsThePlayerDoes(const std::string& path, kestrum::SampleStore& store);

} // namespace bench
