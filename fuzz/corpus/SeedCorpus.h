#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace kestrum::fuzz {

// Writes one seed file `name` into `directory`; exits the program when it cannot.
void writeSeed(const std::filesystem::path& directory, const std::string& name,
               std::span<const std::uint8_t> bytes);

// Each fuzzer's seeds, written into its own directory.
void writeCommandLineSeeds(const std::filesystem::path& directory);
void writeInitRecordSeeds(const std::filesystem::path& directory);
void writeRecordingSeeds(const std::filesystem::path& directory);
// From the real recordings in `dataDirectory` (tests/data), and a few made here for the codecs
// that have none there.
void writeCompressedAudioSeeds(const std::filesystem::path& directory,
                               const std::filesystem::path& dataDirectory);
void writeRawAudioSeeds(const std::filesystem::path& directory, const std::filesystem::path& dataDirectory);

} // namespace kestrum::fuzz
