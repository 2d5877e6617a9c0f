#include "RecordingLoad.h"

#include "audio/AudioLoader.h"
#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "platform/StderrMessenger.h"
#include "recording/ReaderDisplays.h"
#include "recording/RecordingReader.h"

#include <chrono>

namespace bench {

LoadResult loadAsThePlayerDoes(const std::string& path, kestrum::SampleStore& store) {
    kestrum::ConsoleMessenger messenger;
    kestrum::NoLog log;
    kestrum::Reporter reporter(messenger, log);
    kestrum::TextDisplays displays;
    kestrum::RecordingState recording;
    const kestrum::ProgressText noProgress = [](const std::string&) {};
    recording.recordingPath = path;
    kestrum::RecordingReader reader(recording, reporter, displays, displays, {});

    LoadResult result;
    const auto start = std::chrono::steady_clock::now();
    result.failed = reader.openRecording();
    if (result.failed == 0)
        result.failed = kestrum::loadRecordingAudio(reader, recording, store, reporter, noProgress);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.samples = store.indexCount();
    result.samplesPerSecond = recording.playbackFormat.samplesPerSec;
    return result;
}

} // namespace bench
