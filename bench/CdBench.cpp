// kestrum_cd_bench: converts raw unsigned 8-bit mono samples (8000 Hz unless a rate is given) to
// CD audio the way the audio-export worker does: one second of source a block, each block's CD
// audio written out (to /dev/null here), then the flush. Prints how long that took and what it
// made, one `name=value` line each, for bench/run.sh.

#include "export/CdAudioConverter.h"
#include "platform/WriteAll.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::uint8_t> readWholeFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: kestrum_cd_bench SAMPLES.u8 [RATE]\n");
        return 2;
    }
    const auto rate = static_cast<std::uint32_t>(argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 8000);
    const kestrum::WaveFormat source{kestrum::kTagPcm, 1, rate, rate, 1, 8, 0};
    // The samples are in memory before the clock starts, as the sample store holds them.
    const std::vector<std::uint8_t> samples = readWholeFile(argv[1]);
    const int sink = open("/dev/null", O_WRONLY);
    if (samples.empty() || sink < 0) {
        std::fprintf(stderr, "kestrum_cd_bench: cannot read %s or open /dev/null\n", argv[1]);
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    int error = 0;
    const auto converter = kestrum::CdAudioConverter::open(source, error);
    if (converter == nullptr) {
        std::fprintf(stderr, "kestrum_cd_bench: cannot set up the conversion (libav error %d)\n", error);
        return 1;
    }
    std::vector<std::uint8_t> out; // one block's CD audio, its capacity kept from block to block
    std::size_t at = 0, blocks = 0, cdBytes = 0;
    bool failed = false;
    while (at < samples.size() && !failed) {
        const std::size_t size = std::min<std::size_t>(source.avgBytesPerSec, samples.size() - at);
        out.clear();
        const long used = converter->convert({samples.data() + at, size}, out);
        failed = used <= 0 || !kestrum::writeAll(sink, out.data(), out.size());
        at += used > 0 ? static_cast<std::size_t>(used) : 0;
        cdBytes += out.size();
        ++blocks;
    }
    out.clear();
    failed = failed || converter->flush(out) != 0 || !kestrum::writeAll(sink, out.data(), out.size());
    cdBytes += out.size();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    close(sink);
    if (failed) {
        std::fprintf(stderr, "kestrum_cd_bench: the conversion failed at source byte %zu\n", at);
        return 1;
    }

    std::printf("file=%s\n", argv[1]);
    std::printf("source_rate=%u\n", rate);
    std::printf("source_bytes=%zu\n", samples.size());
    std::printf("blocks=%zu\n", blocks);
    std::printf("cd_bytes=%zu\n", cdBytes);
    std::printf("convert_seconds=%.6f\n", seconds.count());
    return 0;
}
