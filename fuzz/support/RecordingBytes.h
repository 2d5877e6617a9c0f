#pragma once

#include "recording/ExportHeader.h"
#include "recording/ScannedWord.h"
#include "recording/WaveFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrum::fuzz {

// What goes into a well-formed recording of any version: the header is filled with ordinary
// call details, and its comment length and keyword count are those of the sections given.
struct RecordingParts {
    int version = 11;
    WaveFormat audioFormat = kPcmDefaultFormat;
    std::optional<ExportHeader> exportHeader;
    std::string comments;
    std::vector<ScannedWord> words;
    std::span<const std::uint8_t> audio;
};

// The bytes of the recording file: export header, header of the version's layout, comments,
// keywords, audio.
std::vector<std::uint8_t> recordingBytes(const RecordingParts& parts);

// An export header as the export list writes it, counting `audioByteCount` audio bytes.
ExportHeader exportHeaderFor(std::uint32_t audioByteCount);

ScannedWord keyword(const std::string& text, std::initializer_list<std::uint32_t> positions);

} // namespace kestrum::fuzz
