#pragma once

#include "recording/RecordingState.h"

#include <cstdint>

namespace kestrum {

// Where the sections of an opened recording lie, as the reader finds them for the file's version:
// a section the version does not carry is absent (length 0), whatever its header's count says, and
// its bytes belong to the audio.
struct RecordingSections {
    std::int64_t headerStart = 0; // 98 after an export header, else 0
    std::int64_t headerSize = 0;  // 216, 221 or 351
    std::uint32_t textLength = 0;
    int scannedWordCount = 0;
    bool carriesText = false;
    bool carriesScannedWords = false;

    std::int64_t textStart() const { return headerStart + headerSize; }
    std::int64_t scannedWordsStart() const { return textStart() + textLength; }
    std::int64_t audioStart() const {
        return scannedWordsStart() + std::int64_t{kScannedWordSize} * scannedWordCount;
    }
};

// The sections of a recording whose header has been read (version 1 to 11).
RecordingSections recordingSections(const RecordingState& recording);

// The header fields of the file's version that count its sections.
std::uint32_t headerTextLength(const RecordingState& recording);
int headerScannedWordCount(const RecordingState& recording);

} // namespace kestrum
