#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool convert FILE OUT [--from SECONDS] [--to SECONDS] [--bits 8|16]: the call as a standard
// audio file (WAV, FLAC, Opus or MP3, by OUT's extension) with its details as tags.
int runConvert(const std::vector<std::string>& arguments);

} // namespace zoqtool
