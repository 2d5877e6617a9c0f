// kestrum_load_bench: loads one recording the way the player does at start-up (open it, then
// load its audio into the sample store) and prints how long that took and how much memory it
// used, one `name=value` line each, for bench/run.sh; then how long the silence map that start-up
// builds next takes.

#include "RecordingLoad.h"
#include "ResidentMemory.h"

#include "audio/CodecLibrary.h"
#include "audio/SampleStore.h"
#include "audio/SilenceMap.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrum_load_bench RECORDING.ZOQ\n");
        return 2;
    }
    // The player loads the decoders' library on a thread of its own while it starts (CodecLibrary),
    // beside the load measured here: its code is neither the load's time nor the call's memory.
    kestrum::CodecLibrary::get();
    const bool peakReset = bench::resetPeak();
    const auto before = bench::readResidentMemory();
    if (!before) {
        std::fprintf(stderr, "kestrum_load_bench: cannot read /proc/self/status\n");
        return 1;
    }

    kestrum::SampleStore store;
    const bench::LoadResult load = bench::loadAsThePlayerDoes(argv[1], store);
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

    const auto start = std::chrono::steady_clock::now();
    kestrum::SilenceMap silences;
    silences.build(store.samples(), load.format);
    std::printf("silence_map_seconds=%.6f\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::printf("silences=%zu\n", silences.silences().size());
    return 0;
}
