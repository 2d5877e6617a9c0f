#include "RecordingLoad.h"

#include "audio/AudioLoader.h"
#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "platform/StderrMessenger.h"

#include <chrono>

namespace bench {

LoadResult loadAsThePlayerDoes(const std::string& path, kestrum::SampleStore& store) {
    kestrum::ConsoleMessenger messenger;
    kestrum::NoLog log;
    kestrum::Reporter reporter(messenger, log);
    kestrum::RecordingState recording;
    recording.recordingPath = path;

    LoadResult result;
    const auto start = std::chrono::steady_clock::now();
    result.failed = kestrum::openAndLoadRecording(recording, store, reporter);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.samples = store.indexCount();
    result.samplesPerSecond = recording.playbackFormat.samplesPerSec;
    result.format = recording.playbackFormat;
    return result;
}

} // namespace bench
