// kestrum_load_bench: loads one recording the way the player does at start-up (open it, then
// load its audio into the sample store) and prints how long that took and how much memory it
// used, one `name=value` line each, for bench/run.sh.

#include "ResidentMemory.h"

#include "audio/AudioLoader.h"
#include "audio/SampleStore.h"
#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "platform/StderrMessenger.h"
#include "recording/ReaderDisplays.h"
#include "recording/RecordingReader.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

struct LoadResult {
    int failed = 1;
    double seconds = 0;
    std::size_t samples = 0;
};

// The store is the caller's, so the loaded audio is still resident when memory is read.
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
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrum_load_bench RECORDING.ZOQ\n");
        return 2;
    }
    const bool peakReset = bench::resetPeak();
    const auto before = bench::readResidentMemory();
    if (!before) {
        std::fprintf(stderr, "kestrum_load_bench: cannot read /proc/self/status\n");
        return 1;
    }

    kestrum::SampleStore store;
    const LoadResult load = loadAsThePlayerDoes(argv[1], store);
    const auto after = bench::readResidentMemory();
    if (load.failed != 0 || !after)
        return 1;

    // Without a reset the peak may include start-up's own: counting from the current size before
    // the load then overstates the load's share, never understates it.
    const std::uint64_t baseline = before->current;
    std::printf("file=%s\n", argv[1]);
    std::printf("load_seconds=%.6f\n", load.seconds);
    std::printf("samples=%zu\n", load.samples);
    std::printf("baseline_rss_bytes=%llu\n", static_cast<unsigned long long>(baseline));
    std::printf("peak_rss_bytes=%llu\n", static_cast<unsigned long long>(after->peak));
    std::printf("peak_above_baseline_bytes=%llu\n",
                static_cast<unsigned long long>(after->peak > baseline ? after->peak - baseline : 0));
    std::printf("peak_was_reset=%s\n", peakReset ? "yes" : "no");
    std::printf("lifetime_peak_rss_bytes=%llu\n", static_cast<unsigned long long>(bench::lifetimePeak()));
    return 0;
}
