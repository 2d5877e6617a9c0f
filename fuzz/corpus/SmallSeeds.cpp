// Seeds for the command line, the init record and the recording reader.

#include "SeedCorpus.h"

#include "app/InitRecord.h"
#include "recording/VersionTable.h"
#include "support/RecordingBytes.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace kestrum::fuzz {

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Audio that is not silence, different in every byte of a short stretch.
std::vector<std::uint8_t> someAudio(std::size_t count) {
    std::vector<std::uint8_t> audio(count);
    for (std::size_t i = 0; i < count; ++i)
        audio[i] = static_cast<std::uint8_t>((i * 37 + 11) % 255);
    return audio;
}

} // namespace

void writeCommandLineSeeds(const std::filesystem::path& directory) {
    const std::vector<std::string> lines = {
        "",
        "/calls/0001.ZOQ",
        "\"/calls/with space/0001.ZOQ\"",
        "^F/calls/0001.ZOQ^C3^S2^E1",
        "^F/mnt/cdrom/0001.ZOQ^O1^R1",
        "^A2^B-7^C1^D03/05/2004^E2^F/calls/0002.ZOQ^K1^NRid^T09:07:02",
        "^H23^L59^M0^P12^Q31^Z2004^U150^V3600^W1^X12^Y200",
        "^GABCD1234^F/calls/0003.ZOQ",
        "^GABCD1234efgh5678^F/calls/0003.ZOQ",
        "^GABCD1234efgh5678IJKL9012",
        "^G12345678123456781234567812345678",
        "^Z-1^P-1^Q-1^H-1",
        "^I",
        "^f/lower/case.zoq^c2^s1",
        "^F/calls/0001.ZOQ\r\n",
    };
    for (std::size_t i = 0; i < lines.size(); ++i)
        writeSeed(directory, "line" + std::to_string(i), bytesOf(lines[i]));
}

void writeInitRecordSeeds(const std::filesystem::path& directory) {
    InitRecord typical;
    typical.newCommentsHeight = 200;
    typical.newCommentsLeft = 615;
    typical.newCommentsTop = 300;
    typical.newCommentsWidth = 400;
    typical.keywordHeight = 250;
    typical.keywordLeft = 400;
    typical.keywordTop = 50;
    typical.keywordWidth = 300;
    typical.newCommentsOpen = 1;
    typical.waveformOpen = 1;
    typical.waveformTop = 500;
    typical.waveformLeft = 10;
    typical.waveformKnobPosition = 37.5;
    typical.existingCommentsOpen = 1;
    typical.stepSizePosition = 2;
    typical.playSpeedPosition = 1;
    InitRecord strange = typical;
    strange.waveformKnobPosition = std::nan("");
    strange.stepSizePosition = -5;
    strange.playSpeedPosition = 1000;
    strange.keywordWidth = -1;

    const auto empty = layout::encode(InitRecord{});
    writeSeed(directory, "default", empty);
    writeSeed(directory, "typical", layout::encode(typical));
    writeSeed(directory, "strange", layout::encode(strange));
    const auto bytes = layout::encode(typical);
    writeSeed(directory, "short", std::span(bytes).first(95));
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.insert(longer.end(), bytes.begin(), bytes.end());
    writeSeed(directory, "longer", longer);
}

// Every version, with and without an export header, with no annotations and, where the version
// carries them, comments and keywords.
void writeRecordingSeeds(const std::filesystem::path& directory) {
    const std::vector<std::uint8_t> audio = someAudio(240);
    for (int version = kLowestVersion; version <= kHighestVersion; ++version) {
        const VersionInfo& info = versionInfo(version);
        RecordingParts parts;
        parts.version = version;
        parts.audio = audio;
        if (info.audio == AudioStorage::Compressed)
            parts.audioFormat = {34, 1, 8000, 1067, 32, 1, 32};

        std::vector<RecordingParts> kinds{parts};
        if (info.carriesText) {
            parts.comments = "Caller asked for the supervisor.\r\nCall back at 3.\r\n";
            kinds.push_back(parts);
        }
        if (info.carriesScannedWords) {
            parts.words = {keyword("refund", {8000, 16000}), keyword("supervisor", {24000}),
                           keyword("ACCOUNT", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})};
            kinds.push_back(parts);
        }
        for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
            const std::string name = "v" + std::to_string(version) + "-" + std::to_string(kind);
            writeSeed(directory, name + ".ZOQ", recordingBytes(kinds[kind]));
            kinds[kind].exportHeader = exportHeaderFor(static_cast<std::uint32_t>(audio.size()));
            writeSeed(directory, name + "-exported.ZOQ", recordingBytes(kinds[kind]));
        }
    }
}

} // namespace kestrum::fuzz
