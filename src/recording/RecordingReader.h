#pragma once

#include "platform/Reporter.h"
#include "recording/HeaderUpgrade.h"
#include "recording/ReaderDisplays.h"
#include "recording/RecordingState.h"

#include <cstddef>

namespace kestrum {

struct ReaderOptions {
    HeaderOverrides headerValues;
    bool viewerMode = false;
};

// Opens and validates the recording, converts its header, and, when asked, reads its comments and
// keywords and works out how many audio bytes follow. Every failure is logged and shown through
// the reporter and returns 1. After success the file is left positioned for the next reader, and
// after computeAudioLength at the first audio byte.
class RecordingReader {
  public:
    RecordingReader(RecordingState& recording, Reporter& reporter, CommentsDisplay& comments,
                    KeywordListDisplay& keywords, ReaderOptions options)
        : rec_(recording), reporter_(reporter), comments_(comments), keywords_(keywords), options_(options) {}

    int openRecording();
    // What openRecording does once the file is open: for a file already open in the state.
    int readOpenedRecording();
    int readTextComments();
    int readScannedWords();
    void buildScannedWordList();
    int computeAudioLength();

  private:
    std::size_t readBytes(void* buffer, std::size_t size);
    template <class Header> int readWholeHeader(Header& header, const char* failure);
    bool seekTo(std::int64_t offset);
    std::int64_t bytesLeftInFile();
    std::uint32_t textLengthOfVersion() const;
    int scannedWordCountOfVersion() const;

    RecordingState& rec_;
    Reporter& reporter_;
    CommentsDisplay& comments_;
    KeywordListDisplay& keywords_;
    ReaderOptions options_;
};

// The playback format a header version calls for: its own audio format or 8-bit mono 8000 Hz PCM.
WaveFormat playbackFormatFor(const RecordingState& recording);

} // namespace kestrum
