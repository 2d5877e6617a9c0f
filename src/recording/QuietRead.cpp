#include "recording/QuietRead.h"

#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "recording/RecordingReader.h"

namespace kestrum {

namespace {

// Keeps the last message instead of showing it.
class KeptMessage : public Messenger {
  public:
    void showError(const std::string& text) override { kept = text; }
    void showInformation(const std::string& text) override { kept = text; }
    bool askQuestion(const std::string&) override { return false; }
    std::string kept;
};

} // namespace

bool readRecordingQuietly(RecordingState& recording, bool withSections, std::string* problem) {
    KeptMessage message;
    NoLog noLog;
    Reporter reporter(message, noLog);
    RecordingReader reader(recording, reporter, {});
    const int opened = recording.recordingFile ? reader.readOpenedRecording() : reader.openRecording();
    const bool read = opened == 0 && (!withSections || reader.computeAudioLength() == 0);
    if (!read && problem != nullptr)
        *problem = message.kept;
    return read;
}

} // namespace kestrum
