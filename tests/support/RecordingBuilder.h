#pragma once

#include "recording/ExportHeader.h"
#include "recording/RecordingHeaders.h"
#include "recording/ScannedWord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::test {

// Builds the bytes of a recording file section by section: an optional export header, the
// header of the version's layout, comment text, keyword records and audio. Header counts and
// lengths default to the sections given; set them on the header copies to build hostile files.
struct RecordingBuilder {
    explicit RecordingBuilder(int version);

    std::optional<ExportHeader> exportHeader;
    Vrh vrh;   // versions 1-6 (and versions 0, 12+)
    Vrh2 vrh2; // versions 7-8
    Vrh3 vrh3; // versions 9-11
    std::string comments;
    std::vector<ScannedWord> words;
    std::vector<std::uint8_t> audio;
    bool setCounts = true; // fill textLength and scannedWordCount from the sections

    std::vector<std::uint8_t> bytes() const;
    void writeTo(const std::string& path) const;
};

ScannedWord makeWord(const std::string& text, std::vector<std::uint32_t> positions);
ExportHeader makeExportHeader(std::uint32_t audioByteCount);
// Audio bytes that never hold the silence value 0x80.
std::vector<std::uint8_t> makeAudio(std::size_t count);

} // namespace kestrum::test
