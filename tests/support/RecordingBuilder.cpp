#include "support/RecordingBuilder.h"

#include "recording/FieldText.h"
#include "support/TempDir.h"

namespace kestrum::test {

namespace {

template <class Header> void initialise(Header& header, int version) {
    setFieldText(header.name, "ZOQ");
    header.version = static_cast<std::uint8_t>(version);
    setFieldText(header.rid, "RID123");
    header.recDay = 5;
    header.recMonth = 3;
    header.recYear = 2004;
    header.recHour = 9;
    header.recMinute = 7;
    header.recSecond = 2;
    setFieldText(header.lastName, "Smith");
    setFieldText(header.firstName, "John");
    setFieldText(header.destAni, "5551234");
    setFieldText(header.system, "SYS1");
    header.site = 7;
    header.audioFormat = {1, 1, 8000, 8000, 1, 8, 0};
    header.sourceFileSize = 1000;
    setFieldText(header.stationName, "Block A");
}

template <class T> void append(std::vector<std::uint8_t>& out, const T& record) {
    const auto bytes = layout::encode(record);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

} // namespace

RecordingBuilder::RecordingBuilder(int version) {
    initialise(vrh, version);
    initialise(vrh2, version);
    initialise(vrh3, version);
    if (version == 4 || version == 7 || version == 10) {
        vrh.audioFormat = vrh2.audioFormat = vrh3.audioFormat = {34, 1, 8000, 1067, 32, 1, 32};
    }
}

std::vector<std::uint8_t> RecordingBuilder::bytes() const {
    std::vector<std::uint8_t> out;
    if (exportHeader)
        append(out, *exportHeader);
    const int version = vrh.version;
    const auto textLength = static_cast<std::uint32_t>(comments.size());
    const auto wordCount = static_cast<std::uint8_t>(words.size());
    if (version >= 9) {
        Vrh3 header = vrh3;
        header.version = vrh.version;
        if (setCounts) {
            header.textLength = textLength;
            header.scannedWordCount = wordCount;
        }
        append(out, header);
    } else if (version == 7 || version == 8) {
        Vrh2 header = vrh2;
        header.version = vrh.version;
        if (setCounts) {
            header.textLength = textLength;
            header.scannedWordCount = wordCount;
        }
        append(out, header);
    } else {
        Vrh header = vrh;
        if (setCounts) {
            header.textLength = textLength;
            header.scannedWordCount = wordCount;
        }
        append(out, header);
    }
    out.insert(out.end(), comments.begin(), comments.end());
    for (const ScannedWord& word : words)
        append(out, word);
    out.insert(out.end(), audio.begin(), audio.end());
    return out;
}

void RecordingBuilder::writeTo(const std::string& path) const {
    writeFileBytes(path, bytes());
}

ScannedWord makeWord(const std::string& text, std::vector<std::uint32_t> positions) {
    ScannedWord word;
    setFieldText(word.word, text);
    for (std::size_t i = 0; i < positions.size() && i < word.positions.size(); ++i)
        word.positions[i] = positions[i];
    return word;
}

ExportHeader makeExportHeader(std::uint32_t audioByteCount) {
    ExportHeader edh;
    setFieldText(edh.magic, "EXP");
    edh.exportFlag = 1;
    edh.audioByteCount = audioByteCount;
    edh.expDay = 6;
    edh.expMonth = 3;
    edh.expYear = 2004;
    setFieldText(edh.exportComputer, "DESK1");
    setFieldText(edh.exportUser, "clerk");
    return edh;
}

std::vector<std::uint8_t> makeAudio(std::size_t count) {
    std::vector<std::uint8_t> audio(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto value = static_cast<std::uint8_t>((i * 37 + 11) % 255);
        audio[i] = value == 0x80 ? 0x81 : value;
    }
    return audio;
}

} // namespace kestrum::test
