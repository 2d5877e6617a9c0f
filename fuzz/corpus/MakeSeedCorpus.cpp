// Writes the fuzzers' seed corpora: valid inputs of every kind each fuzzer reads, so that its
// mutations start from files the player accepts. Run at fuzz time (scripts/fuzz.sh):
//   kestrum_fuzz_corpus OUT_DIR TEST_DATA_DIR
// makes OUT_DIR/<fuzzer name>/ for every fuzzer.

#include "SeedCorpus.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kestrum::fuzz {

void writeSeed(const std::filesystem::path& directory, const std::string& name,
               std::span<const std::uint8_t> bytes) {
    std::filesystem::create_directories(directory);
    const std::filesystem::path path = directory / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

} // namespace kestrum::fuzz

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUT_DIR TEST_DATA_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const std::filesystem::path data = argv[2];
    using namespace kestrum::fuzz;
    writeCommandLineSeeds(out / "fuzz_command_line");
    writeInitRecordSeeds(out / "fuzz_init_record");
    writeRecordingSeeds(out / "fuzz_recording_reader");
    writeCompressedAudioSeeds(out / "fuzz_compressed_audio", data);
    writeRawAudioSeeds(out / "fuzz_raw_audio", data);
    return 0;
}
