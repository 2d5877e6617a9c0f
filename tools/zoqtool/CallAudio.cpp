#include "CallAudio.h"

#include "audio/AudioLoader.h"
#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "platform/StderrMessenger.h"

namespace zoqtool {

int loadCallAudio(const std::string& path, kestrum::RecordingState& recording, kestrum::SampleStore& store,
                  const kestrum::SamplesAdded& added) {
    kestrum::ConsoleMessenger messenger;
    kestrum::NoLog log;
    kestrum::Reporter reporter(messenger, log);
    recording.recordingPath = path;
    return kestrum::openAndLoadRecording(recording, store, reporter, added);
}

} // namespace zoqtool
