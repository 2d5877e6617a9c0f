#include "recording/RecordingReader.h"

#include "platform/FormatText.h"
#include "platform/RegularFile.h"
#include "recording/FieldText.h"
#include "recording/Sections.h"
#include "recording/VersionTable.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <unistd.h>
#include <utility>

namespace kestrum {

namespace {

template <class T> bool startsWith(const T& field, const char* magic) {
    return std::memcmp(field.data(), magic, std::strlen(magic)) == 0;
}

// An audio length below zero (a header that claims more than the file holds) is no audio at all.
std::uint32_t clampLength(std::int64_t length) {
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(length, 0, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

WaveFormat playbackFormatFor(const RecordingState& rec) {
    switch (rec.version()) {
    case 11:
        return rec.vrh3.audioFormat;
    case 8:
        return rec.vrh2.audioFormat;
    case 1:
    case 5:
        return rec.vrh.audioFormat;
    default:
        return kPcmDefaultFormat;
    }
}

std::size_t RecordingReader::readBytes(void* buffer, std::size_t size) {
    return std::fread(buffer, 1, size, rec_.recordingFile.get());
}

bool RecordingReader::seekTo(std::int64_t offset) {
    return ::fseeko(rec_.recordingFile.get(), static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::int64_t RecordingReader::bytesLeftInFile() {
    const off_t position = ::ftello(rec_.recordingFile.get());
    return position < 0 ? 0 : std::max<std::int64_t>(0, rec_.fileSize - position);
}

std::uint32_t RecordingReader::textLengthOfVersion() const {
    return headerTextLength(rec_);
}

int RecordingReader::scannedWordCountOfVersion() const {
    return headerScannedWordCount(rec_);
}

// The header of the file's own layout, from where the recording header starts.
template <class Header> int RecordingReader::readWholeHeader(Header& header, const char* failure) {
    layout::Bytes<Header> bytes{};
    if (!seekTo(rec_.headerStart) || readBytes(bytes.data(), bytes.size()) != bytes.size())
        return reporter_.fail(failure, 0u, static_cast<unsigned>(bytes.size()));
    header = layout::decode<Header>(bytes);
    return 0;
}

int RecordingReader::openRecording() {
    const char* path = rec_.recordingPath.c_str();
    // A FIFO, a device or a folder given as the call is refused at once: its open would wait for
    // a writer, or its reads never end or fail midway.
    mode_t otherType = 0;
    const int fd = openRegularFile(AT_FDCWD, rec_.recordingPath, LinkRule::Follow, &otherType);
    if (fd < 0 && otherType != 0)
        return reporter_.fail("Could not open file\n%s\nIt is %s, not a regular file", path,
                              fileTypeName(otherType));
    rec_.recordingFile.reset(fd >= 0 ? ::fdopen(fd, "rb") : nullptr);
    if (!rec_.recordingFile) {
        if (fd >= 0)
            ::close(fd);
        return reporter_.fail("Could not open file\n%s", path);
    }
    return readOpenedRecording();
}

int RecordingReader::readOpenedRecording() {
    const char* path = rec_.recordingPath.c_str();
    std::FILE* file = rec_.recordingFile.get();
    if (::fseeko(file, 0, SEEK_END) != 0 || (rec_.fileSize = ::ftello(file)) < 0 || !seekTo(0))
        return reporter_.fail("Could not seek file end");

    layout::Bytes<ExportHeader> edhBytes{};
    if (readBytes(edhBytes.data(), edhBytes.size()) != edhBytes.size())
        return reporter_.fail("File Edh read failed %ld", static_cast<long>(edhBytes.size()));
    rec_.edh = layout::decode<ExportHeader>(edhBytes);
    if (startsWith(rec_.edh.magic, "EXP")) {
        rec_.headerStart = static_cast<std::uint32_t>(edhBytes.size());
    } else {
        rec_.edh = ExportHeader{};
        rec_.headerStart = 0;
        seekTo(0);
    }

    layout::Bytes<Vrh> vrhBytes{};
    if (readBytes(vrhBytes.data(), vrhBytes.size()) != vrhBytes.size())
        return reporter_.fail("File Vrh read failed %ld", static_cast<long>(vrhBytes.size()));
    rec_.vrh = layout::decode<Vrh>(vrhBytes);
    if (!startsWith(rec_.vrh.name, "ZOQ"))
        return reporter_.fail("File is not ZOQ type\n%s", path);

    const int version = rec_.version();
    switch (headerLayoutOf(version)) {
    case HeaderLayout::Vrh3:
        if (readWholeHeader(rec_.vrh3, "File read 3 failed read %u of %u") != 0)
            return 1;
        cutRid(rec_.vrh3.rid, 14);
        break;
    case HeaderLayout::Vrh2:
        if (readWholeHeader(rec_.vrh2, "File read 2 failed read %u of %u") != 0)
            return 1;
        cutRid(rec_.vrh2.rid, 10);
        break;
    case HeaderLayout::Vrh:
        if (version >= 1)
            cutRid(rec_.vrh.rid, 10);
        break;
    }
    if (!isKnownVersion(version))
        return reporter_.fail("File is not version 1 thru 11\n%s", path);

    upgradeHeader(&rec_.vrh, &rec_.vrh2, &rec_.vrh3, options_.headerValues);
    rec_.dataStart = static_cast<std::uint32_t>(rec_.headerStart + headerSizeOfVersion(version));

    // Every position and time is a byte count divided by these rates: a header that gives zero
    // cannot be played or positioned, so it is refused here rather than divided by later.
    rec_.playbackFormat = playbackFormatFor(rec_);
    const WaveFormat& format = rec_.playbackFormat;
    if (format.samplesPerSec == 0 || format.avgBytesPerSec == 0 || format.bitsPerSample < 8)
        return reporter_.fail("openRecording audio format not playable, %u samples per second, %u bytes per "
                              "second, %u bits\n%s",
                              static_cast<unsigned>(format.samplesPerSec),
                              static_cast<unsigned>(format.avgBytesPerSec),
                              static_cast<unsigned>(format.bitsPerSample), path);
    return 0;
}

int RecordingReader::readTextComments() {
    read_.comments = true;
    rec_.commentText.clear();

    const std::uint32_t length = textLengthOfVersion();
    if (length == 0)
        return 0;
    rec_.commentsPresent = true;

    // A length past the end of the file fails as the short read it would be, before anything is
    // allocated for it.
    const std::int64_t available = bytesLeftInFile();
    if (available < length)
        return reporter_.fail("readTextComments failed read %d of %u", static_cast<int>(available), length);

    std::string text;
    try {
        text.resize(length);
    } catch (const std::bad_alloc&) {
        return reporter_.fail("readTextComments new failed");
    }
    const std::size_t got = readBytes(text.data(), length);
    if (got != length)
        return reporter_.fail("readTextComments failed read %d of %u", static_cast<int>(got), length);

    rec_.commentText = std::move(text);
    rec_.additionsPending = false;
    return 0;
}

int RecordingReader::readScannedWords() {
    rec_.scannedWordTotal = scannedWordCountOfVersion();
    for (int i = 0; i < rec_.scannedWordTotal; ++i) {
        layout::Bytes<ScannedWord> bytes{};
        const std::size_t got = readBytes(bytes.data(), bytes.size());
        if (got != bytes.size())
            return reporter_.fail("readScannedWords %d failed read %ld of %ld", i, static_cast<long>(got),
                                  static_cast<long>(bytes.size()));
        rec_.scannedWords[static_cast<std::size_t>(i)] = layout::decode<ScannedWord>(bytes);
    }
    read_.keywords = true;
    return 0;
}

int RecordingReader::computeAudioLength() {
    const int version = rec_.version();
    const VersionInfo& info = versionInfo(version);
    const std::int64_t text = textLengthOfVersion();
    const std::int64_t words = scannedWordCountOfVersion();
    // The export header's 98 bytes count only when the file has one.
    const std::int64_t beforeHeader = rec_.headerStart;
    std::int64_t length = rec_.fileSize - beforeHeader - static_cast<std::int64_t>(headerSize(info.layout));

    if (info.audio == AudioStorage::Compressed) {
        length -= text;
        if (version == 10)
            length -= std::int64_t{kScannedWordSize} * words;
        if (readTextComments() != 0) {
            rec_.closeRecordingFile();
            return 1;
        }
        if (info.carriesScannedWords) {
            if (readScannedWords() != 0) {
                rec_.closeRecordingFile();
                return 1;
            }
            if (version == 7)
                length -= std::int64_t{kScannedWordSize} * words;
        }
        rec_.audioLength = rec_.edh.exportFlag == 1 ? rec_.edh.audioByteCount : clampLength(length);
        return 0;
    }

    if (info.carriesText && info.carriesScannedWords) {
        length -= text + std::int64_t{kScannedWordSize} * words;
        if (readTextComments() != 0) {
            rec_.closeRecordingFile();
            return 1;
        }
        if (readScannedWords() != 0)
            return 1;
    }
    // On a disc the export header says how much audio was copied; a file without one has no such count.
    if (options_.viewerMode && rec_.hasExportHeader())
        length = rec_.edh.audioByteCount;
    rec_.audioLength = clampLength(length);
    return 0;
}

} // namespace kestrum
