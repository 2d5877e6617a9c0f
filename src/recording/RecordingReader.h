#pragma once

#include "platform/Reporter.h"
#include "recording/HeaderUpgrade.h"
#include "recording/RecordingState.h"

#include <cstddef>

namespace kestrum {

struct ReaderOptions {
    HeaderOverrides headerValues;
    bool viewerMode = false;
};

// The sections a reader read, for whoever shows them.
struct SectionsRead {
    // The comment section was read: the recording's comment text is what it held (empty when its
    // read failed).
    bool comments = false;
    // The keyword table was read whole into the recording.
    bool keywords = false;
};

// Opens and validates the recording, converts its header, and, when asked, reads its comments and
// keywords into the recording and works out how many audio bytes follow. It shows nothing: its
// callers show what it read (sectionsRead). Every failure is logged and shown through the reporter
// and returns 1. After success the file is left positioned for the next reader, and after
// computeAudioLength at the first audio byte.
class RecordingReader {
  public:
    RecordingReader(RecordingState& recording, Reporter& reporter, ReaderOptions options)
        : rec_(recording), reporter_(reporter), options_(options) {}

    int openRecording();
    // What openRecording does once the file is open: for a file already open in the state.
    int readOpenedRecording();
    int readTextComments();
    int readScannedWords();
    int computeAudioLength();
    const SectionsRead& sectionsRead() const { return read_; }

  private:
    std::size_t readBytes(void* buffer, std::size_t size);
    template <class Header> int readWholeHeader(Header& header, const char* failure);
    bool seekTo(std::int64_t offset);
    std::int64_t bytesLeftInFile();
    std::uint32_t textLengthOfVersion() const;
    int scannedWordCountOfVersion() const;

    RecordingState& rec_;
    Reporter& reporter_;
    ReaderOptions options_;
    SectionsRead read_;
};

// The playback format a header version calls for: its own audio format or 8-bit mono 8000 Hz PCM.
WaveFormat playbackFormatFor(const RecordingState& recording);

} // namespace kestrum
