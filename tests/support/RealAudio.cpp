#include "support/RealAudio.h"

#include "platform/BinaryLayout.h"
#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <map>

namespace kestrum::test {

namespace {

void appendLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendChunk(std::vector<std::uint8_t>& out, const char* id, const std::vector<std::uint8_t>& body) {
    out.insert(out.end(), id, id + 4);
    appendLittleEndian32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        out.push_back(0);
}

} // namespace

std::string dataFile(const std::string& name) {
    return std::string(KESTRUM_TEST_DATA_DIR) + "/" + name;
}

const WavContents& testWav(const std::string& name) {
    static std::map<std::string, WavContents> cache;
    auto [entry, added] = cache.try_emplace(name);
    if (added) {
        std::string error;
        EXPECT_TRUE(readWavFile(dataFile(name), entry->second, error)) << error;
    }
    return entry->second;
}

std::vector<std::uint8_t> ffmpegDecode(const std::string& path, int rate) {
    const ProcessResult result =
        runProcess("/usr/bin/env", {"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "u8", "-ac", "1",
                                    "-ar", std::to_string(rate), "-"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return {result.out.begin(), result.out.end()};
}

std::vector<std::uint8_t> wavFileBytes(const WavContents& wav) {
    WaveFormat format = wav.format;
    format.extraSize = static_cast<std::uint16_t>(wav.extraData.size());
    const layout::Bytes<WaveFormat> record = layout::encode(format);
    std::vector<std::uint8_t> formatChunk(record.begin(), record.end());
    formatChunk.insert(formatChunk.end(), wav.extraData.begin(), wav.extraData.end());

    std::vector<std::uint8_t> chunks;
    appendChunk(chunks, "fmt ", formatChunk);
    appendChunk(chunks, "data", wav.data);
    std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
    appendLittleEndian32(file, static_cast<std::uint32_t>(4 + chunks.size()));
    file.insert(file.end(), {'W', 'A', 'V', 'E'});
    file.insert(file.end(), chunks.begin(), chunks.end());
    return file;
}

} // namespace kestrum::test
