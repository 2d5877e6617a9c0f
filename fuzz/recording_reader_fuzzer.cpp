// The recording reader on arbitrary file contents: opening, then the audio-length rule with the
// comment and keyword readers and the keyword list, as `zoqtool info` and the player read a file.
// Every hostile file must end in the reader's own message, never a crash, hang or huge allocation.

#include "app/KeywordListLines.h"
#include "platform/Reporter.h"
#include "recording/RecordingReader.h"
#include "support/MemoryFile.h"
#include "support/SilentMessenger.h"

#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kestrum::fuzz::MemoryFile file;
    file.write(std::span<const std::uint8_t>(data, size));

    kestrum::fuzz::SilentMessenger messenger;
    kestrum::NoLog log;
    kestrum::Reporter reporter(messenger, log);
    kestrum::RecordingState recording;
    recording.recordingPath = file.path();
    kestrum::RecordingReader reader(recording, reporter, {});
    if (reader.openRecording() != 0)
        return 0;
    reader.computeAudioLength();
    // The keyword window's lines, as the player shows a table read.
    if (reader.sectionsRead().keywords)
        (void)kestrum::keywordListLines(recording);
    return 0;
}
