#include "catalogue/EntryReader.h"

#include "platform/RegularFile.h"

#include "export/StampedCopy.h"
#include "platform/FormatText.h"
#include "recording/FieldText.h"
#include "recording/KeywordTable.h"
#include "recording/QuietRead.h"
#include "recording/VersionTable.h"
#include "recording/Windows1252.h"

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

template <std::size_t N> std::string shown(const std::array<char, N>& field) {
    return windows1252ToUtf8(fieldText(field));
}

std::string recordedText(const Vrh3& h) {
    return formatText("%04d-%02d-%02d %02d:%02d:%02d", h.recYear, h.recMonth, h.recDay, h.recHour,
                      h.recMinute, h.recSecond);
}

// The call's length in seconds: the header's own duration where the file's header has one
// (versions 9 to 11, when not negative); otherwise the stored audio at its byte rate (the
// codec's for compressed audio, the playback format's for PCM). Nothing when the rate is 0.
std::optional<int> durationOf(const RecordingState& rec) {
    if (headerLayoutOf(rec.version()) == HeaderLayout::Vrh3 && rec.vrh3.duration >= 0)
        return rec.vrh3.duration;
    const std::uint32_t bytesPerSecond = isCompressedVersion(rec.version())
                                             ? rec.vrh3.audioFormat.avgBytesPerSec
                                             : rec.playbackFormat.avgBytesPerSec;
    if (bytesPerSecond == 0)
        return std::nullopt;
    return static_cast<int>(std::lround(static_cast<double>(rec.audioLength) / bytesPerSecond));
}

// The keywords as text, one entry each, each one line of the catalogue's list.
std::vector<std::string> keywordsOf(const RecordingState& rec) {
    std::vector<std::string> keywords;
    for (int i = 0; i < rec.scannedWordTotal; ++i) {
        const std::string word = keywordLine(rec.scannedWords[static_cast<std::size_t>(i)]);
        if (!word.empty())
            keywords.push_back(windows1252ToUtf8(word));
    }
    return keywords;
}

void fillDetails(const RecordingState& rec, CatalogueEntry& entry) {
    const Vrh3& h = rec.vrh3; // every version's header, converted to the newest layout
    entry.version = rec.version();
    entry.exported = rec.hasExportHeader();
    entry.recorded = recordedText(h);
    entry.rid = shown(h.rid);
    entry.firstName = shown(h.firstName);
    entry.middleName = shown(h.middleName);
    entry.lastName = shown(h.lastName);
    entry.dialledNumber = shown(h.destAni);
    entry.stationName = shown(h.stationName);
    entry.stationAni = shown(h.stationAni);
    entry.stationNumber = h.stationNumber;
    entry.site = h.site;
    entry.secondSite = h.lu;
    entry.system = shown(h.system);
    entry.durationSeconds = durationOf(rec);
    entry.comments = windows1252ToUtf8(rec.commentText);
    entry.keywords = keywordsOf(rec);
    entry.checksums = entry.exported ? ChecksumState::Unchecked : ChecksumState::NotStamped;
}

} // namespace

CatalogueEntry readCatalogueEntry(const std::string& path) {
    CatalogueEntry entry;
    entry.path = path;
    const auto cannotOpen = [&entry](int fd) {
        if (fd >= 0)
            ::close(fd);
        entry.problem = formatText("Could not open file\n%s", entry.path.c_str()); // as the reader says it
        return entry;
    };
    // Not blocking: a pipe given a recording's name must not hold the run up.
    const int fd = openRegularFile(AT_FDCWD, path, LinkRule::Refuse);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        return cannotOpen(fd);
    entry.file = fileStampOf(info);

    RecordingState recording;
    recording.recordingPath = path;
    recording.recordingFile.reset(::fdopen(fd, "rb"));
    if (!recording.recordingFile)
        return cannotOpen(fd);
    if (!readRecordingQuietly(recording, true, &entry.problem))
        return entry;
    fillDetails(recording, entry);
    return entry;
}

void verifyCatalogueEntry(CatalogueEntry& entry) {
    if (!entry.readable() || !entry.exported)
        return;
    const CopyChecksums sums = checkStampedCopy(entry.path);
    if (!sums.problem.empty()) {
        entry.checksums = ChecksumState::Damaged;
        entry.checksumProblem = sums.problem;
        return;
    }
    std::string wrong;
    const auto compare = [&wrong](const char* what, std::uint32_t stored, std::uint32_t computed) {
        if (stored != computed)
            wrong += (wrong.empty() ? "" : ", ") + std::string(what);
    };
    compare("header", sums.storedHeader, sums.header);
    compare("comments", sums.storedText, sums.text);
    compare("audio", sums.storedAudio, sums.audio);
    compare("audio length", sums.storedAudioBytes, sums.audioBytes);
    entry.checksums = wrong.empty() ? ChecksumState::Intact : ChecksumState::Damaged;
    entry.checksumProblem = wrong.empty() ? std::string() : "does not match: " + wrong;
}

} // namespace kestrum
