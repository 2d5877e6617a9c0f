#include "export/StampedCopy.h"

#include "platform/FormatText.h"
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

// A stream over a descriptor, which is closed when no stream can be made; null for -1.
FileHandle streamOf(int fd, const char* mode) {
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, mode);
    if (stream == nullptr)
        ::close(fd);
    return FileHandle(stream);
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

StampOutcome makeStampedCopy(RecordingState& rec, const PrivateDirectory& recordings, const ExportStamp& stamp,
                             const std::function<void(const std::string&)>& status, const std::atomic<bool>* stop) {
    StampOutcome outcome;
    const std::string& source = rec.recordingPath;
    FileHandle in(std::fopen(source.c_str(), "rb"));
    if (!in) {
        outcome.message = formatText("Unable to open Recording file, problem with %s.", source.c_str());
        return outcome;
    }
    const std::string name = fileNameOf(source);
    const std::string target = recordings.pathOf(name);

    // The sections as the reader finds them for the file's version; the copy's header counts an
    // absent section as 0, so a reader of the copy finds the same audio.
    const RecordingSections sections = recordingSections(rec);
    Vrh3 header = rec.vrh3;
    header.textLength = sections.textLength;
    header.scannedWordCount = static_cast<std::uint8_t>(sections.scannedWordCount);
    rec.edh = freshExportHeader(stamp);

    // The copy is written under a name of its own and takes the target's name only once it reads
    // back whole: a copy already listed stays until then, and the source may be that very file.
    std::string partName;
    const int partFd = recordings.createUniqueFile(name + ".part", 0600, partName);
    FileHandle out = streamOf(partFd, "wb");
    if (!out) {
        if (partFd >= 0)
            recordings.remove(partName);
        outcome.message = formatText("Unable to open Recording Header for %s.", target.c_str());
        return outcome;
    }
    outcome.target = target;
    const auto fail = [&](std::string message) {
        out.reset();
        recordings.remove(partName);
        outcome.message = std::move(message);
        return outcome;
    };

    layout::Bytes<ExportHeader> edhBytes = layout::encode(rec.edh);
    if (std::fwrite(edhBytes.data(), 1, edhBytes.size(), out.get()) != edhBytes.size())
        return fail(formatText("Unable to Write Recording Header for %s.", target.c_str()));

    status("Calculating CRC 1");
    const layout::Bytes<Vrh3> headerBytes = layout::encode(header);
    rec.edh.headerCrc = exportCrc(headerBytes);
    if (std::fwrite(headerBytes.data(), 1, headerBytes.size(), out.get()) != headerBytes.size())
        return fail(formatText("Unable to Write CRC to Recording Header for %s.", target.c_str()));

    if (::fseeko(in.get(), static_cast<off_t>(sections.textStart()), SEEK_SET) != 0)
        return fail(formatText("Unable to find recordings End of Header for %s.", source.c_str()));

    status("Calculating CRC 2");
    bool readFailed = false;
    std::uint32_t textCrc = 0;
    if (!copyBytes(in.get(), out.get(), sections.textLength, &textCrc, readFailed))
        return fail(formatText("Unable to Write Text comments For %s", source.c_str()));
    rec.edh.textCrc = textCrc;

    if (!copyBytes(in.get(), out.get(), std::uint64_t{kScannedWordSize} * sections.scannedWordCount, nullptr,
                   readFailed))
        return fail(formatText(readFailed ? "Unable to Read scanned words for %s."
                                          : "Unable to Write scanned words for %s.",
                               source.c_str()));

    status("Calculating CRC 3");
    std::uint32_t audioCrc = 0;
    std::uint64_t audioBytes = 0;
    std::vector<std::uint8_t> buffer(kCopyBlock);
    for (;;) {
        if (stop != nullptr && stop->load())
            return fail(formatText("The copy of %s stopped as the player closed.", source.c_str()));
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
        audioCrc = exportCrc(std::span<const std::uint8_t>(buffer.data(), got), audioCrc);
        if (std::fwrite(buffer.data(), 1, got, out.get()) != got)
            return fail(formatText("Unable to Write audio data for %s.", source.c_str()));
        audioBytes += got;
        if (got < buffer.size())
            break;
    }
    rec.edh.audioByteCount = static_cast<std::uint32_t>(audioBytes);
    rec.edh.audioCrc = audioCrc;
    in.reset();

    status("Closing File");
    if (::fseeko(out.get(), 0, SEEK_SET) != 0)
        return fail(formatText("Unable to Find Start of %s", target.c_str()));
    edhBytes = layout::encode(rec.edh);
    if (std::fwrite(edhBytes.data(), 1, edhBytes.size(), out.get()) != edhBytes.size() ||
        std::fclose(out.release()) != 0)
        return fail(formatText("Unable to Rewrite Header for %s.", target.c_str()));

    // The copy must read back with the audio and keywords it was given before it counts.
    RecordingState check;
    check.recordingPath = target;
    check.recordingFile = streamOf(recordings.openForReading(partName), "rb");
    const bool readsBack = check.recordingFile && readRecordingQuietly(check, true) &&
                           check.audioLength == rec.edh.audioByteCount &&
                           check.scannedWordTotal == sections.scannedWordCount;
    check.closeRecordingFile();
    if (!readsBack)
        return fail(formatText("The copy of %s does not read back as written.", source.c_str()));
    if (!recordings.rename(partName, name))
        return fail(formatText("Unable to Rewrite Header for %s.", target.c_str()));
    outcome.ok = true;
    return outcome;
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
