#pragma once

#include "recording/RecordingHeaders.h"

#include <cstdint>

namespace kestrum {

// Header values given on the command line. -1 (and 0 for extra2) leaves the recorded value.
struct HeaderOverrides {
    int day = -1;      // applied when > 0
    int month = -1;    // applied when > 0
    int year = -1;     // applied when > 0
    int second = -1;   // applied when >= 0
    int minute = -1;   // applied when >= 0
    int hour = -1;     // applied when >= 0
    int cost = -1;     // applied when >= 0
    int duration = -1; // applied when >= 0
    int compCode = -1; // applied when >= 0
    int route = -1;    // applied when >= 0
    int extra2 = 0;    // applied when != 0
};

// Converts a version 1-8 header into `vrh3` (versions 9-11 keep their own) and applies the
// command-line values. `vrh.version` decides which source is used. Returns 1 when a header is missing.
int upgradeHeader(const Vrh* vrh, const Vrh2* vrh2, Vrh3* vrh3, const HeaderOverrides& values);

void applyHeaderOverrides(Vrh3& vrh3, const HeaderOverrides& values);

} // namespace kestrum
