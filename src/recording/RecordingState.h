#pragma once

#include "recording/ExportHeader.h"
#include "recording/RecordingHeaders.h"
#include "recording/ScannedWord.h"
#include "recording/StoredAudio.h"
#include "recording/WaveFormat.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kestrum {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The open recording: its path and file, the header copies, the keyword table, and what the
// reader worked out about its audio.
struct RecordingState {
    std::string recordingPath;
    FileHandle recordingFile;

    ExportHeader edh;              // all zero when the file has none
    Vrh vrh;                       // the first 216 header bytes, whatever the version
    Vrh2 vrh2;                     // versions 7 and 8
    Vrh3 vrh3;                     // the file's own (9-11) or the converted header
    std::uint32_t headerStart = 0; // 98 when the file starts with an export header, else 0
    std::uint32_t dataStart = 0;   // offset just after the recording header
    std::int64_t fileSize = 0;

    WaveFormat playbackFormat;
    // Stored audio bytes once computeAudioLength has run; PCM entries once the audio is loaded.
    std::uint32_t audioLength = 0;
    // The audio of the file this run opened; a save refuses a file whose audio is not this one.
    StoredAudio openedAudio;

    std::array<ScannedWord, kMaxScannedWords> scannedWords{};
    int scannedWordTotal = 0;

    std::string commentText; // the comment section's bytes as read
    bool commentsPresent = false;
    bool additionsPending = false;

    // The version byte as read from the file: it decides every version-dependent choice.
    int version() const { return vrh.version; }
    bool hasExportHeader() const { return headerStart != 0; }
    void closeRecordingFile() { recordingFile.reset(); }

    // Everything but the open file: what a worker thread works from while the player goes on.
    RecordingState copyWithoutFile() const {
        RecordingState copy;
        copy.recordingPath = recordingPath;
        copy.edh = edh;
        copy.vrh = vrh;
        copy.vrh2 = vrh2;
        copy.vrh3 = vrh3;
        copy.headerStart = headerStart;
        copy.dataStart = dataStart;
        copy.fileSize = fileSize;
        copy.playbackFormat = playbackFormat;
        copy.audioLength = audioLength;
        copy.openedAudio = openedAudio;
        copy.scannedWords = scannedWords;
        copy.scannedWordTotal = scannedWordTotal;
        copy.commentText = commentText;
        copy.commentsPresent = commentsPresent;
        copy.additionsPending = additionsPending;
        return copy;
    }
};

} // namespace kestrum
