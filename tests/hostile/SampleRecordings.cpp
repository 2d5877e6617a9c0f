#include "hostile/SampleRecordings.h"

#include "convert/WavFile.h"
#include "platform/FormatText.h"
#include "recording/RecordingHeaders.h"
#include "recording/VersionTable.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace kestrum::test {

namespace {

constexpr std::size_t kVrhSize = 216, kVrh2Size = 221, kVrh3Size = 351;

std::size_t headerSizeOf(int version) {
    return version >= 9 ? kVrh3Size : version >= 7 ? kVrh2Size : kVrhSize;
}

// Fills in where the sections lie from what was put into the builder.
SampleRecording describe(std::string name, const RecordingBuilder& builder, bool compressed) {
    SampleRecording sample;
    sample.name = std::move(name);
    sample.version = builder.vrh.version;
    sample.bytes = builder.bytes();
    sample.headerStart = builder.exportHeader ? kExportHeaderSize : 0;
    sample.textStart = sample.headerStart + headerSizeOf(sample.version);
    sample.textLength = builder.comments.size();
    sample.wordsStart = sample.textStart + sample.textLength;
    sample.wordCount = builder.words.size();
    sample.audioStart = sample.wordsEnd();
    sample.compressed = compressed;
    sample.audioLengthFromExportHeader =
        compressed && builder.exportHeader && builder.exportHeader->exportFlag == 1;
    return sample;
}

// The bundled demo as makezoq made it; its sections are found from its own header.
std::optional<SampleRecording> demoRecording() {
    const std::vector<std::uint8_t> bytes = readFileBytes(KESTRUM_DEMO_RECORDING);
    if (bytes.size() < kExportHeaderSize + kVrh3Size) {
        ADD_FAILURE() << KESTRUM_DEMO_RECORDING << " is missing or short";
        return std::nullopt;
    }
    SampleRecording sample;
    sample.name = "demo";
    sample.bytes = bytes;
    sample.headerStart = std::equal(bytes.begin(), bytes.begin() + 3, "EXP") ? kExportHeaderSize : 0;
    layout::Bytes<Vrh3> headerBytes{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(sample.headerStart), headerBytes.size(),
                headerBytes.begin());
    const Vrh3 header = layout::decode<Vrh3>(headerBytes);
    sample.version = header.version;
    EXPECT_EQ(sample.version, 10) << "the demo is expected to be a compressed version-10 call";
    sample.textStart = sample.headerStart + kVrh3Size;
    sample.textLength = header.textLength;
    sample.wordsStart = sample.textStart + sample.textLength;
    sample.wordCount = header.scannedWordCount;
    sample.audioStart = sample.wordsEnd();
    sample.compressed = true;
    return sample;
}

} // namespace

std::vector<SampleRecording> sampleRecordings() {
    std::vector<SampleRecording> samples;
    for (int version = kLowestVersion; version <= kHighestVersion; ++version) {
        const VersionInfo& info = versionInfo(version);
        const bool compressed = info.audio == AudioStorage::Compressed;
        // Whole 32-byte TrueSpeech blocks for the compressed versions, half a second of PCM otherwise.
        const std::vector<std::uint8_t> audio = makeAudio(compressed ? 32 * 40 : 4000);
        for (const bool exported : {false, true}) {
            for (const bool sections : {false, true}) {
                if (sections && !info.carriesText && !info.carriesScannedWords)
                    continue; // nothing to add: the same file as without
                RecordingBuilder builder(version);
                builder.audio = audio;
                std::string name = "v" + std::to_string(version);
                if (exported) {
                    builder.exportHeader = makeExportHeader(static_cast<std::uint32_t>(audio.size()));
                    name += " export";
                }
                if (sections && info.carriesText) {
                    builder.comments = "3/05/2004 09:07:02 clerk @ DESK1\r\nfirst call\r\n";
                    name += " comments";
                }
                if (sections && info.carriesScannedWords) {
                    builder.words = {makeWord("gun", {100, 2000}), makeWord("transfer", {300})};
                    name += " keywords";
                }
                samples.push_back(describe(name, builder, compressed));
            }
        }
    }

    WavContents speech;
    std::string error;
    if (readWavFile(std::string(KESTRUM_TEST_DATA_DIR) + "/8ktruespeech.wav", speech, error)) {
        RecordingBuilder builder(10);
        builder.vrh3.audioFormat = speech.format;
        builder.exportHeader = makeExportHeader(static_cast<std::uint32_t>(speech.data.size()));
        builder.comments = "two speakers\r\n";
        builder.words = {makeWord("account", {4000})};
        builder.audio = speech.data;
        samples.push_back(describe("TrueSpeech v10 export comments keywords", builder, true));
    } else {
        ADD_FAILURE() << error;
    }
    if (auto demo = demoRecording())
        samples.push_back(*demo);
    return samples;
}

std::optional<std::string> expectedReadFailure(const SampleRecording& sample, std::size_t length) {
    // The first 98 bytes are read before the reader knows whether they are an export header.
    if (length < kExportHeaderSize)
        return "File Edh read failed 98";
    if (length < sample.headerStart + kVrhSize)
        return "File Vrh read failed 216";
    if (sample.version >= 9 && length < sample.headerStart + kVrh3Size)
        return "File read 3 failed read 0 of 351";
    if ((sample.version == 7 || sample.version == 8) && length < sample.headerStart + kVrh2Size)
        return "File read 2 failed read 0 of 221";
    if (length < sample.textStart + sample.textLength)
        return formatText("readTextComments failed read %d of %u",
                          static_cast<int>(length - sample.textStart),
                          static_cast<unsigned>(sample.textLength));
    if (length < sample.wordsEnd()) {
        const std::size_t into = length - sample.wordsStart;
        return formatText("readScannedWords %d failed read %ld of 60", static_cast<int>(into / 60),
                          static_cast<long>(into % 60));
    }
    return std::nullopt;
}

std::vector<std::size_t> chosenCuts(const SampleRecording& sample) {
    std::set<std::size_t> cuts = {0, 1, 3, 97, 98, 99};
    const std::size_t header = sample.headerStart;
    for (const std::size_t offset :
         {std::size_t{4}, std::size_t{5}, kVrhSize - 1, kVrhSize, kVrh2Size - 1, kVrh2Size, kVrh3Size - 1})
        if (header + offset < sample.textStart)
            cuts.insert(header + offset);
    cuts.insert(sample.textStart);
    if (sample.textLength > 0) {
        cuts.insert(sample.textStart + 1);
        cuts.insert(sample.textStart + sample.textLength / 2);
        cuts.insert(sample.textStart + sample.textLength - 1);
    }
    if (sample.wordCount > 0) {
        cuts.insert(sample.wordsStart + 30);
        cuts.insert(sample.wordsStart + 59);
        cuts.insert(sample.wordsStart + 60);
        cuts.insert(sample.wordsEnd() - 1);
    }
    const std::size_t audio = sample.bytes.size() - sample.audioStart;
    cuts.insert(sample.audioStart + 1);
    cuts.insert(sample.audioStart + 31);            // short of one compressed block
    cuts.insert(sample.audioStart + audio / 2);     // mid audio
    cuts.insert(sample.audioStart + audio / 2 + 7); // mid audio, mid block
    cuts.insert(sample.bytes.size() - 1);
    std::vector<std::size_t> result;
    for (const std::size_t cut : cuts)
        if (cut < sample.bytes.size())
            result.push_back(cut);
    return result;
}

std::vector<std::size_t> programCuts(const SampleRecording& sample) {
    // Cuts in the headers all end in the same first step: one of them a sample, taken in turn.
    std::vector<std::size_t> headerCuts = {50, sample.headerStart + 100};
    if (sample.headerStart + kVrhSize + 2 < sample.textStart)
        headerCuts.push_back(sample.headerStart + kVrhSize + 2); // inside the longer layouts only
    std::set<std::size_t> cuts = {
        headerCuts[static_cast<std::size_t>(sample.version + sample.headerStart + sample.wordCount) %
                   headerCuts.size()]};
    if (sample.textLength > 0)
        cuts.insert(sample.textStart + sample.textLength / 2);
    if (sample.wordCount > 0)
        cuts.insert(sample.wordsStart + 90);
    const std::size_t audio = sample.bytes.size() - sample.audioStart;
    cuts.insert(sample.audioStart + audio / 2 + 7);
    cuts.insert(sample.bytes.size());
    return {cuts.begin(), cuts.end()};
}

std::vector<std::uint8_t> cutTo(const SampleRecording& sample, std::size_t length) {
    return {sample.bytes.begin(), sample.bytes.begin() + static_cast<std::ptrdiff_t>(length)};
}

} // namespace kestrum::test
