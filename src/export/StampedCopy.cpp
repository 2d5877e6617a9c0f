#include "export/StampedCopy.h"

#include "platform/FormatText.h"
#include "platform/TemporaryFile.h"
#include "recording/ExportCrc.h"
#include "recording/FieldText.h"
#include "recording/QuietRead.h"
#include "recording/Sections.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

constexpr std::size_t kCopyBlock = 1 << 16;

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies exactly `count` bytes, keeping a running checksum; false when the source ends first or
// a write fails (`readFailed` says which).
bool copyBytes(std::FILE* in, std::FILE* out, std::uint64_t count, std::uint32_t* crc, bool& readFailed) {
    std::vector<std::uint8_t> buffer(kCopyBlock);
    while (count > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer.size()));
        const std::size_t got = std::fread(buffer.data(), 1, want, in);
        if (crc != nullptr)
            *crc = exportCrc(std::span<const std::uint8_t>(buffer.data(), got), *crc);
        if (std::fwrite(buffer.data(), 1, got, out) != got) {
            readFailed = false;
            return false;
        }
        if (got != want) {
            readFailed = true;
            return false;
        }
        count -= got;
    }
    return true;
}

ExportHeader freshExportHeader(const ExportStamp& stamp) {
    ExportHeader edh;
    setFieldText(edh.magic, "EXP");
    edh.exportFlag = 1;
    std::tm local{};
    ::localtime_r(&stamp.when, &local);
    edh.expDay = static_cast<std::uint8_t>(local.tm_mday);
    edh.expMonth = static_cast<std::uint8_t>(local.tm_mon + 1);
    edh.expYear = static_cast<std::int16_t>(local.tm_year + 1900);
    edh.expSecond = static_cast<std::uint8_t>(local.tm_sec);
    edh.expMinute = static_cast<std::uint8_t>(local.tm_min);
    edh.expHour = static_cast<std::uint8_t>(local.tm_hour);
    setFieldText(edh.exportComputer, stamp.computerName);
    setFieldText(edh.exportUser, stamp.userName);
    return edh;
}

} // namespace

namespace {

// The comment bytes, the keyword records and the audio from where the reader finds them, with
// their checksums into `edh`; "" or the failure's message.
std::string copySections(std::FILE* in, std::FILE* out, const RecordingSections& sections, ExportHeader& edh,
                         const std::string& source, const std::function<void(const std::string&)>& status,
                         const std::atomic<bool>* stop) {
    if (::fseeko(in, static_cast<off_t>(sections.textStart()), SEEK_SET) != 0)
        return formatText("Unable to find recordings End of Header for %s.", source.c_str());
    status("Calculating CRC 2");
    bool readFailed = false;
    if (!copyBytes(in, out, sections.textLength, &edh.textCrc, readFailed))
        return formatText("Unable to Write Text comments For %s", source.c_str());
    if (!copyBytes(in, out, std::uint64_t{kScannedWordSize} * sections.scannedWordCount, nullptr, readFailed))
        return formatText(readFailed ? "Unable to Read scanned words for %s."
                                     : "Unable to Write scanned words for %s.",
                          source.c_str());

    status("Calculating CRC 3");
    std::uint64_t audioBytes = 0;
    std::vector<std::uint8_t> buffer(kCopyBlock);
    for (;;) {
        if (stop != nullptr && stop->load())
            return formatText("The copy of %s stopped as the player closed.", source.c_str());
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        edh.audioCrc = exportCrc(std::span<const std::uint8_t>(buffer.data(), got), edh.audioCrc);
        if (std::fwrite(buffer.data(), 1, got, out) != got)
            return formatText("Unable to Write audio data for %s.", source.c_str());
        audioBytes += got;
        if (got < buffer.size())
            break;
    }
    edh.audioByteCount = static_cast<std::uint32_t>(audioBytes);
    return {};
}

// The copy read as a disc's player reads it: with the audio and keywords it was given.
bool readsBackWhole(const TemporaryFile& copy, const std::string& target, const ExportHeader& edh,
                    const RecordingSections& sections) {
    RecordingState check;
    check.recordingPath = target;
    check.recordingFile.reset(copy.openForReading());
    return check.recordingFile && readRecordingQuietly(check, true) &&
           check.audioLength == edh.audioByteCount && check.scannedWordTotal == sections.scannedWordCount;
}

} // namespace

std::string stampedCopyPath(const RecordingState& recording, const PrivateDirectory& recordings) {
    return recordings.pathOf(fileNameOf(recording.recordingPath));
}

int makeStampedCopy(RecordingState& rec, const PrivateDirectory& recordings, const ExportStamp& stamp,
                    Reporter& reporter, const std::function<void(const std::string&)>& status,
                    const std::atomic<bool>* stop) {
    const std::string& source = rec.recordingPath;
    FileHandle in(std::fopen(source.c_str(), "rb"));
    if (!in)
        return reporter.fail("Unable to open Recording file, problem with %s.", source.c_str());
    const std::string name = fileNameOf(source);
    const std::string target = recordings.pathOf(name);

    // The sections as the reader finds them for the file's version; the copy's header counts an
    // absent section as 0, so a reader of the copy finds the same audio.
    const RecordingSections sections = recordingSections(rec);
    Vrh3 header = rec.vrh3;
    header.textLength = sections.textLength;
    header.scannedWordCount = static_cast<std::uint8_t>(sections.scannedWordCount);
    rec.edh = freshExportHeader(stamp);

    // The copy takes the target's name only once it reads back whole: a copy already listed stays
    // until then, and the source may be that very file.
    TemporaryFile copy = TemporaryFile::inFolder(recordings.descriptor(), recordings.path(), name);
    if (!copy.isOpen())
        return reporter.fail("Unable to open Recording Header for %s.", target.c_str());
    // The copy is removed as `copy` goes: a failure leaves the name as it was.
    std::FILE* out = copy.stream();
    layout::Bytes<ExportHeader> edhBytes = layout::encode(rec.edh);
    if (std::fwrite(edhBytes.data(), 1, edhBytes.size(), out) != edhBytes.size())
        return reporter.fail("Unable to Write Recording Header for %s.", target.c_str());
    status("Calculating CRC 1");
    const layout::Bytes<Vrh3> headerBytes = layout::encode(header);
    rec.edh.headerCrc = exportCrc(headerBytes);
    if (std::fwrite(headerBytes.data(), 1, headerBytes.size(), out) != headerBytes.size())
        return reporter.fail("Unable to Write CRC to Recording Header for %s.", target.c_str());
    if (std::string problem = copySections(in.get(), out, sections, rec.edh, source, status, stop);
        !problem.empty())
        return reporter.fail("%s", problem.c_str());
    in.reset();

    status("Closing File");
    if (::fseeko(out, 0, SEEK_SET) != 0)
        return reporter.fail("Unable to Find Start of %s", target.c_str());
    edhBytes = layout::encode(rec.edh);
    if (std::fwrite(edhBytes.data(), 1, edhBytes.size(), out) != edhBytes.size() || !copy.finishWriting())
        return reporter.fail("Unable to Rewrite Header for %s.", target.c_str());
    if (!readsBackWhole(copy, target, rec.edh, sections))
        return reporter.fail("The copy of %s does not read back as written.", source.c_str());
    if (!copy.replaceTarget())
        return reporter.fail("Unable to Rewrite Header for %s.", target.c_str());
    return 0;
}

CopyChecksums checkStampedCopy(const std::string& path) {
    CopyChecksums sums;
    RecordingState copy;
    copy.recordingPath = path;
    if (!readRecordingQuietly(copy, false, &sums.problem))
        return sums;
    if (!copy.hasExportHeader()) {
        sums.problem = "the file has no export header";
        return sums;
    }
    sums.storedHeader = copy.edh.headerCrc;
    sums.storedText = copy.edh.textCrc;
    sums.storedAudio = copy.edh.audioCrc;
    sums.storedAudioBytes = copy.edh.audioByteCount;
    // The header's checksum is over its bytes as stored, not as the reader tidies them.
    std::FILE* file = copy.recordingFile.get();
    layout::Bytes<Vrh3> headerBytes{};
    if (::fseeko(file, static_cast<off_t>(copy.headerStart), SEEK_SET) != 0 ||
        std::fread(headerBytes.data(), 1, headerBytes.size(), file) != headerBytes.size()) {
        sums.problem = "the header cannot be read";
        return sums;
    }
    sums.header = exportCrc(headerBytes);

    const RecordingSections sections = recordingSections(copy);
    std::vector<std::uint8_t> buffer(kCopyBlock);
    ::fseeko(file, static_cast<off_t>(sections.textStart()), SEEK_SET);
    std::uint64_t left = sections.textLength;
    while (left > 0) {
        const std::size_t got =
            std::fread(buffer.data(), 1, std::min<std::uint64_t>(left, buffer.size()), file);
        if (got == 0)
            break;
        sums.text = exportCrc(std::span<const std::uint8_t>(buffer.data(), got), sums.text);
        left -= got;
    }
    ::fseeko(file, static_cast<off_t>(sections.audioStart()), SEEK_SET);
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        sums.audio = exportCrc(std::span<const std::uint8_t>(buffer.data(), got), sums.audio);
        sums.audioBytes += static_cast<std::uint32_t>(got);
        if (got < buffer.size())
            break;
    }
    sums.readable = left == 0;
    if (!sums.readable)
        sums.problem = "the file ends inside its comment section";
    return sums;
}

} // namespace kestrum
