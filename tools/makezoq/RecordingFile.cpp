#include "RecordingFile.h"

#include "platform/BinaryLayout.h"
#include "platform/FormatText.h"
#include "recording/FieldText.h"
#include "recording/RecordingHeaders.h"
#include "recording/ScannedWord.h"
#include "recording/Windows1252.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

namespace makezoq {

namespace {

using kestrum::setFieldText;

// The call's date and time: as given, each part left out taken from the local time now.
void setCallTime(const MakeOptions& options, kestrum::Vrh3& header) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    header.recYear = static_cast<std::int16_t>(options.year.value_or(local.tm_year + 1900));
    header.recMonth = static_cast<std::uint8_t>(options.month.value_or(local.tm_mon + 1));
    header.recDay = static_cast<std::uint8_t>(options.day.value_or(local.tm_mday));
    header.recHour = static_cast<std::uint8_t>(options.hour.value_or(local.tm_hour));
    header.recMinute = static_cast<std::uint8_t>(options.minute.value_or(local.tm_min));
    header.recSecond = static_cast<std::uint8_t>(options.second.value_or(local.tm_sec));
}

kestrum::Vrh3 makeHeader(const MakeOptions& options, const StoredAudio& audio, std::uint32_t textLength) {
    kestrum::Vrh3 header;
    setFieldText(header.name, "ZOQ");
    header.version = static_cast<std::uint8_t>(audio.version);
    header.scannedWordCount = static_cast<std::uint8_t>(options.keywords.size());
    setFieldText(header.rid, options.rid);
    setCallTime(options, header);
    setFieldText(header.system, options.systemName);
    setFieldText(header.lastName, options.lastName);
    setFieldText(header.firstName, options.firstName);
    setFieldText(header.destAni, options.dialledNumber);
    setFieldText(header.stationName, options.stationName);
    header.site = options.site;
    header.cost = options.cost;
    const long audioSeconds = std::lround(audio.seconds());
    header.duration = static_cast<std::int16_t>(
        options.durationSeconds.value_or(static_cast<int>(std::min<long>(audioSeconds, INT16_MAX))));
    header.sourceDataRate = static_cast<std::uint16_t>(
        std::min<std::uint32_t>(audio.audioFormat.samplesPerSec, std::numeric_limits<std::uint16_t>::max()));
    header.audioFormat = audio.audioFormat;
    header.sourceFileSize = static_cast<std::uint32_t>(audio.bytes.size());
    header.textLength = textLength;
    return header;
}

// A keyword's record: its times as byte positions in the audio as the player holds it.
std::optional<kestrum::ScannedWord> makeScannedWord(const KeywordTimes& keyword, const StoredAudio& audio,
                                                    std::string& error) {
    kestrum::ScannedWord record;
    setFieldText(record.word, keyword.word);
    const double bytesPerSecond = audio.playbackFormat.avgBytesPerSec;
    const double audioSeconds = audio.seconds();
    for (std::size_t i = 0; i < keyword.seconds.size(); ++i) {
        const double seconds = keyword.seconds[i];
        const auto position = static_cast<std::uint32_t>(std::llround(seconds * bytesPerSecond));
        if (seconds > audioSeconds || position == 0) {
            error =
                kestrum::formatText("keyword '%s' at %g s is outside the audio (0 to %.2f s)",
                                    kestrum::windows1252ToUtf8(keyword.word).c_str(), seconds, audioSeconds);
            return std::nullopt;
        }
        record.positions[i] = position;
    }
    return record;
}

template <class Record> void append(std::vector<std::uint8_t>& out, const Record& record) {
    const auto bytes = kestrum::layout::encode(record);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

} // namespace

std::string commentText(const std::vector<std::string>& comments) {
    std::string text;
    for (const std::string& comment : comments) {
        std::size_t start = 0;
        for (;;) {
            std::size_t end = comment.find('\n', start);
            std::string line = comment.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            text += line + "\r\n";
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> recordingFileBytes(const MakeOptions& options,
                                                            const StoredAudio& audio, std::string& error) {
    const std::string text = commentText(options.comments);
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        error = "the comments are longer than 4 GiB";
        return std::nullopt;
    }
    std::vector<kestrum::ScannedWord> words;
    for (const KeywordTimes& keyword : options.keywords) {
        auto word = makeScannedWord(keyword, audio, error);
        if (!word)
            return std::nullopt;
        words.push_back(*word);
    }

    std::vector<std::uint8_t> bytes;
    bytes.reserve(kestrum::layout::recordSize<kestrum::Vrh3>() + text.size() +
                  words.size() * kestrum::kScannedWordSize + audio.bytes.size());
    append(bytes, makeHeader(options, audio, static_cast<std::uint32_t>(text.size())));
    bytes.insert(bytes.end(), text.begin(), text.end());
    for (const kestrum::ScannedWord& word : words)
        append(bytes, word);
    bytes.insert(bytes.end(), audio.bytes.begin(), audio.bytes.end());
    return bytes;
}

} // namespace makezoq
