#pragma once

// The third-party recordings in tests/data and the ffmpeg command line as the reference decoder.

#include "convert/WavFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum::test {

// The path of a file in tests/data.
std::string dataFile(const std::string& name);

// A WAV file of tests/data, read once.
const WavContents& testWav(const std::string& name);

// The ffmpeg command line's decode of a WAV file to unsigned 8-bit mono at `rate`.
std::vector<std::uint8_t> ffmpegDecode(const std::string& path, int rate = 8000);

// The bytes of a WAV file holding `wav`: its format with the extra bytes, and its data.
std::vector<std::uint8_t> wavFileBytes(const WavContents& wav);

} // namespace kestrum::test
