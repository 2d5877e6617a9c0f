#include "RecordingBytes.h"

#include "recording/FieldText.h"
#include "recording/RecordingHeaders.h"

namespace kestrum::fuzz {

namespace {

// The fields every layout shares, with the values of an ordinary call.
template <class Header> Header headerFor(const RecordingParts& parts) {
    Header header;
    setFieldText(header.name, "ZOQ");
    header.version = static_cast<std::uint8_t>(parts.version);
    header.scannedWordCount = static_cast<std::uint8_t>(parts.words.size());
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
    header.audioFormat = parts.audioFormat;
    header.sourceFileSize = static_cast<std::uint32_t>(parts.audio.size());
    header.textLength = static_cast<std::uint32_t>(parts.comments.size());
    setFieldText(header.stationName, "Block A");
    return header;
}

template <class Record> void append(std::vector<std::uint8_t>& out, const Record& record) {
    const auto bytes = layout::encode(record);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

} // namespace

std::vector<std::uint8_t> recordingBytes(const RecordingParts& parts) {
    std::vector<std::uint8_t> out;
    if (parts.exportHeader)
        append(out, *parts.exportHeader);
    if (parts.version >= 9)
        append(out, headerFor<Vrh3>(parts));
    else if (parts.version == 7 || parts.version == 8)
        append(out, headerFor<Vrh2>(parts));
    else
        append(out, headerFor<Vrh>(parts));
    out.insert(out.end(), parts.comments.begin(), parts.comments.end());
    for (const ScannedWord& word : parts.words)
        append(out, word);
    out.insert(out.end(), parts.audio.begin(), parts.audio.end());
    return out;
}

ExportHeader exportHeaderFor(std::uint32_t audioByteCount) {
    ExportHeader header;
    setFieldText(header.magic, "EXP");
    header.exportFlag = 1;
    header.audioByteCount = audioByteCount;
    header.expDay = 6;
    header.expMonth = 3;
    header.expYear = 2004;
    setFieldText(header.exportComputer, "DESK1");
    setFieldText(header.exportUser, "clerk");
    return header;
}

ScannedWord keyword(const std::string& text, std::initializer_list<std::uint32_t> positions) {
    ScannedWord word;
    setFieldText(word.word, text);
    std::size_t slot = 0;
    for (const std::uint32_t position : positions)
        if (slot < word.positions.size())
            word.positions[slot++] = position;
    return word;
}

} // namespace kestrum::fuzz
