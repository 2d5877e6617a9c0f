#include "convert/RedactedCopy.h"

#include "audio/AudioDecoder.h"
#include "audio/AudioDecompress.h"
#include "audio/FrameClock.h"
#include "convert/SilentBlocks.h"
#include "platform/FormatText.h"
#include "platform/RegularFile.h"
#include "platform/TemporaryFile.h"
#include "recording/ExportCrc.h"
#include "recording/Sections.h"
#include "recording/VersionTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kestrum {

namespace {

using Bytes = std::vector<std::uint8_t>;

bool readWholeFile(const std::string& path, Bytes& bytes, std::string& error) {
    const int fd = openRegularFile(AT_FDCWD, path, LinkRule::Follow);
    if (fd < 0) {
        error = formatText("%s cannot be read: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    bytes.clear();
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            const int readError = got < 0 ? errno : 0;
            ::close(fd);
            if (readError != 0)
                error = formatText("%s cannot be read: %s", path.c_str(), std::strerror(readError));
            return readError == 0;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

// The stretches in order, overlapping ones joined, each within the call's frames.
std::vector<SilencedFrames> merged(std::vector<SilencedFrames> stretches, std::uint64_t frames) {
    std::sort(stretches.begin(), stretches.end(),
              [](const SilencedFrames& a, const SilencedFrames& b) { return a.begin < b.begin; });
    std::vector<SilencedFrames> joined;
    for (SilencedFrames stretch : stretches) {
        stretch.end = std::min(stretch.end, frames);
        if (stretch.begin >= stretch.end)
            continue;
        if (!joined.empty() && stretch.begin <= joined.back().end)
            joined.back().end = std::max(joined.back().end, stretch.end);
        else
            joined.push_back(stretch);
    }
    return joined;
}

// PCM as stored: each stretch's bytes silent. A stretch that reaches the end of the sound the player
// loads runs on to the end of the file, whose last bytes some versions leave unplayed.
void silencePcm(std::span<std::uint8_t> audio, const std::vector<SilencedFrames>& stretches,
                std::uint64_t frames, const FrameClock& clock, bool sixteenBit) {
    for (const SilencedFrames& stretch : stretches) {
        const std::uint64_t first = std::min<std::uint64_t>(clock.bytesOf(stretch.begin), audio.size());
        const std::uint64_t last = stretch.end >= frames
                                       ? audio.size()
                                       : std::min<std::uint64_t>(clock.bytesOf(stretch.end), audio.size());
        std::fill(audio.begin() + static_cast<long>(first), audio.begin() + static_cast<long>(last),
                  sixteenBit ? 0x00 : 0x80);
    }
}

// Compressed audio as stored: every block that holds part of a stretch, and the lead blocks before
// it, replaced by the silent block; a stretch to the end of the sound takes every block after it.
void silenceBlocks(std::span<std::uint8_t> audio, const std::vector<SilencedFrames>& stretches,
                   std::uint64_t frames, const SilentBlock& silent) {
    const std::size_t blockSize = silent.bytes.size();
    const std::uint64_t blocks = audio.size() / blockSize;
    for (const SilencedFrames& stretch : stretches) {
        const std::uint64_t startBlock = stretch.begin / silent.framesPerBlock;
        const std::uint64_t first = startBlock - std::min(startBlock, silent.leadBlocks);
        const std::uint64_t last =
            stretch.end >= frames
                ? blocks
                : std::min(blocks, (stretch.end + silent.framesPerBlock - 1) / silent.framesPerBlock);
        for (std::uint64_t block = first; block < last; ++block)
            std::copy(silent.bytes.begin(), silent.bytes.end(),
                      audio.begin() + static_cast<long>(block * blockSize));
    }
}

// The stored audio decoded as the player decodes it.
bool decodeStored(std::span<const std::uint8_t> audio, const RecordingState& rec, Bytes& sound) {
    WaveFormat source = storedAudioFormat(rec);
    source.tag = wantedFormatTag(rec);
    int error = 0;
    const std::unique_ptr<AudioDecoder> decoder = AudioDecoder::open(source, {}, rec.playbackFormat, error);
    sound.clear();
    return decoder && decoder->decode(audio, true, sound) >= 0;
}

bool everyStretchSilent(std::span<const std::uint8_t> sound, const std::vector<SilencedFrames>& stretches) {
    for (const SilencedFrames& stretch : stretches) {
        if (stretch.end > sound.size())
            return false;
        if (!std::all_of(sound.begin() + static_cast<long>(stretch.begin),
                         sound.begin() + static_cast<long>(stretch.end),
                         [](std::uint8_t sample) { return sample == 0x80; }))
            return false;
    }
    return true;
}

} // namespace

namespace {

template <class Header>
void rewriteHeader(Bytes& file, std::size_t at, int version, const WaveFormat& format) {
    layout::Bytes<Header> bytes{};
    std::copy_n(file.begin() + static_cast<long>(at), bytes.size(), bytes.begin());
    Header header = layout::decode<Header>(bytes);
    header.version = static_cast<std::uint8_t>(version);
    header.audioFormat = format;
    if constexpr (std::is_same_v<Header, Vrh>)
        header.scannedWordCount = 0; // version 4 carries no keywords, version 5 would read them
    bytes = layout::encode(header);
    std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<long>(at));
}

// The header of a compressed call whose sound the copy holds as 8-bit PCM in the playback format.
void sayPcm(Bytes& file, const RecordingState& rec) {
    const std::size_t at = rec.headerStart;
    switch (headerLayoutOf(rec.version())) {
    case HeaderLayout::Vrh3:
        rewriteHeader<Vrh3>(file, at, 11, rec.playbackFormat);
        break;
    case HeaderLayout::Vrh2:
        rewriteHeader<Vrh2>(file, at, 8, rec.playbackFormat);
        break;
    case HeaderLayout::Vrh:
        rewriteHeader<Vrh>(file, at, 5, rec.playbackFormat);
        break;
    }
}

std::uint32_t crcOf(const Bytes& file, std::int64_t from, std::int64_t count) {
    const auto start =
        static_cast<std::size_t>(std::clamp<std::int64_t>(from, 0, static_cast<std::int64_t>(file.size())));
    const std::size_t length =
        std::min(file.size() - start, static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
    return exportCrc(std::span<const std::uint8_t>(file.data() + start, length));
}

// The export header's checksums and audio count, over the copy's sections as a stamped copy's are
// (and as zoqtool verify and the disc menu check them).
void remakeExportHeader(Bytes& file, const RecordingSections& sections) {
    layout::Bytes<ExportHeader> bytes{};
    std::copy_n(file.begin(), bytes.size(), bytes.begin());
    ExportHeader edh = layout::decode<ExportHeader>(bytes);
    const std::int64_t audioStart = sections.audioStart();
    edh.headerCrc = crcOf(file, sections.headerStart, static_cast<std::int64_t>(layout::recordSize<Vrh3>()));
    edh.textCrc = crcOf(file, sections.textStart(), sections.textLength);
    edh.audioCrc = crcOf(file, audioStart, static_cast<std::int64_t>(file.size()) - audioStart);
    edh.audioByteCount = static_cast<std::uint32_t>(file.size() - static_cast<std::size_t>(audioStart));
    bytes = layout::encode(edh);
    std::copy(bytes.begin(), bytes.end(), file.begin());
}

// A compressed call kept in its format, when a silent block serves it and the copy decodes with
// every stretch silent. False when it cannot be kept.
bool keepCompressed(Bytes& file, std::size_t audioStart, const RecordingState& rec,
                    const std::vector<SilencedFrames>& stretches, std::uint64_t frames, Bytes& sound) {
    WaveFormat stored = storedAudioFormat(rec);
    stored.tag = wantedFormatTag(rec);
    const std::optional<SilentBlock> silent = silentBlockFor(stored, rec.playbackFormat);
    if (!silent)
        return false;
    Bytes audio(file.begin() + static_cast<long>(audioStart), file.end());
    silenceBlocks(audio, stretches, frames, *silent);
    if (!decodeStored(audio, rec, sound) || sound.size() < frames || !everyStretchSilent(sound, stretches))
        return false;
    std::copy(audio.begin(), audio.end(), file.begin() + static_cast<long>(audioStart));
    return true;
}

// A compressed call as 8-bit PCM: the decoded sound with the stretches silent.
void writeAsPcm(Bytes& file, std::size_t audioStart, const RecordingState& rec,
                std::span<const std::uint8_t> decoded, const std::vector<SilencedFrames>& stretches,
                Bytes& sound) {
    sound.assign(decoded.begin(), decoded.end());
    silencePcm(sound, stretches, decoded.size(), FrameClock(rec.playbackFormat), false);
    file.resize(audioStart);
    file.insert(file.end(), sound.begin(), sound.end());
    sayPcm(file, rec);
}

} // namespace

bool makeRedactedCopy(const RecordingState& rec, std::span<const std::uint8_t> decoded,
                      std::vector<SilencedFrames> stretches, RedactedCopy& copy, std::string& error) {
    if (!readWholeFile(rec.recordingPath, copy.fileBytes, error))
        return false;
    const RecordingSections sections = recordingSections(rec);
    const auto audioStart = static_cast<std::size_t>(sections.audioStart());
    if (copy.fileBytes.size() < audioStart) {
        error = formatText("%s ends before its audio", rec.recordingPath.c_str());
        return false;
    }
    const FrameClock clock(rec.playbackFormat);
    const std::uint64_t frames = clock.framesIn(decoded.size());
    stretches = merged(std::move(stretches), frames);
    copy.compressed = isCompressedVersion(rec.version());
    copy.exportHeader = rec.hasExportHeader();
    if (!copy.compressed) {
        const std::span<std::uint8_t> audio(copy.fileBytes.data() + audioStart,
                                            copy.fileBytes.size() - audioStart);
        if (audio.size() < decoded.size()) {
            error = formatText("%s changed while it was read", rec.recordingPath.c_str());
            return false;
        }
        silencePcm(audio, stretches, frames, clock, rec.playbackFormat.bitsPerSample == 16);
        copy.sound.assign(audio.begin(), audio.begin() + static_cast<long>(decoded.size()));
    } else if (!keepCompressed(copy.fileBytes, audioStart, rec, stretches, frames, copy.sound)) {
        copy.writtenAsPcm = true;
        writeAsPcm(copy.fileBytes, audioStart, rec, decoded, stretches, copy.sound);
    }
    if (copy.exportHeader)
        remakeExportHeader(copy.fileBytes, sections);
    return true;
}

bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    TemporaryFile file = TemporaryFile::beside(path);
    if (!file.isOpen()) {
        error = formatText("%s cannot be made: %s", file.path().c_str(), std::strerror(errno));
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size() || !file.finishWriting()) {
        error = formatText("%s cannot be written: %s", file.path().c_str(), std::strerror(errno));
        return false;
    }
    if (!file.takeFreeName()) {
        error = errno == EEXIST ? formatText("%s already exists: it is left as it is", path.c_str())
                                : formatText("%s cannot be made: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace kestrum
