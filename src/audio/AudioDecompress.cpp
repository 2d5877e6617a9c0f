#include "audio/AudioDecompress.h"

#include "audio/AudioDecoder.h"
#include "platform/FormatText.h"
#include "recording/VersionTable.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace kestrum {

namespace {

constexpr std::uint32_t kSecondsPerPass = 4;

// Room for the decoded audio up front, so the store is not regrown (and briefly held twice) while
// it fills. No speech or PCM format here expands by more than 16 times.
std::size_t expectedEntries(std::uint32_t compressedBytes, const WaveFormat& source,
                            const WaveFormat& target) {
    if (source.avgBytesPerSec == 0)
        return compressedBytes;
    const double ratio = std::min(16.0, static_cast<double>(target.avgBytesPerSec) / source.avgBytesPerSec);
    return static_cast<std::size_t>(compressedBytes * ratio * 1.01) + 65536;
}

// The compressed bytes the file can supply from its current position: the audio length, unless
// the file ends sooner (an export header's count is not checked against the file's size).
std::uint32_t compressedBytesInFile(const RecordingState& rec) {
    const off_t position = ::ftello(rec.recordingFile.get());
    const std::int64_t left = position < 0 ? 0 : std::max<std::int64_t>(0, rec.fileSize - position);
    return static_cast<std::uint32_t>(std::min<std::int64_t>(rec.audioLength, left));
}

} // namespace

std::uint16_t wantedFormatTag(const RecordingState& rec) {
    const std::uint16_t tag = storedAudioFormat(rec).tag;
    // The newest layout names only these; older ones took whatever their wave format said.
    if (headerLayoutOf(rec.version()) == HeaderLayout::Vrh3 && tag != kTagPcm && tag != kTagTrueSpeech &&
        tag != kTagMpegLayer3)
        return 0;
    return tag;
}

const WaveFormat& storedAudioFormat(const RecordingState& rec) {
    switch (headerLayoutOf(rec.version())) {
    case HeaderLayout::Vrh3:
        return rec.vrh3.audioFormat;
    case HeaderLayout::Vrh2:
        return rec.vrh2.audioFormat;
    case HeaderLayout::Vrh:
        break;
    }
    return rec.vrh.audioFormat;
}

int findDecoderFor(const RecordingState& rec, Reporter& reporter) {
    const std::uint16_t tag = wantedFormatTag(rec);
    if (AudioDecoder::canDecode(tag, storedAudioFormat(rec).bitsPerSample))
        return 0;
    if (tag == kTagTrueSpeech) {
        reporter.fail("DSP TrueSpeach codec not found");
        return 2;
    }
    return reporter.fail("Error, getAudioCompressionDriverId decomp failed, 0x%02x pid=%d mfid=%d", tag, 0,
                         0);
}

namespace {

// The buffers of the passes: four seconds of compressed input a pass (at least one block, for
// headers that give no rate), but no more than the file holds: the rate is a header field, and a
// hostile one would have gigabytes allocated for a file of a few hundred bytes.
struct PassBuffers {
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
};

int makePassBuffers(PassBuffers& buffers, const RecordingState& rec, const WaveFormat& source,
                    const AudioDecoder& decoder, Reporter& reporter) {
    const WaveFormat& target = rec.playbackFormat;
    const std::size_t passSize =
        source.avgBytesPerSec > 0 ? std::size_t{source.avgBytesPerSec} * kSecondsPerPass : 32000;
    const std::size_t sourceSize = std::max<std::size_t>(
        std::min<std::size_t>(passSize, compressedBytesInFile(rec)), decoder.blockSize());
    try {
        buffers.input.resize(sourceSize);
    } catch (const std::bad_alloc&) {
        return reporter.fail("audioDecompress failed to malloc Src %u", static_cast<unsigned>(sourceSize));
    }
    const std::size_t outputSize =
        std::size_t{target.samplesPerSec} * std::max(1, target.bitsPerSample / 8) * 5;
    try {
        buffers.output.reserve(outputSize);
    } catch (const std::bad_alloc&) {
        return reporter.fail("audioDecompress failed to malloc Dst %u", static_cast<unsigned>(outputSize));
    }
    return 0;
}

// Decodes the compressed audio from the file's position in passes into the store, the remainder of
// a pass read again with the next. The PCM bytes produced, or -1 after reporting.
std::int64_t decodePasses(RecordingState& rec, AudioDecoder& decoder, PassBuffers& buffers,
                          SampleStore& store, Reporter& reporter, const ProgressText& progress,
                          const SamplesAdded& added) {
    std::FILE* file = rec.recordingFile.get();
    const std::uint32_t compressed = rec.audioLength;
    off_t position = ::ftello(file);
    if (position < 0)
        return -reporter.fail("audioDecompress fgetpos failed");
    std::uint32_t consumed = 0;
    std::int64_t produced = 0;
    unsigned block = 0;
    while (consumed < compressed) {
        const auto readLength =
            static_cast<std::uint32_t>(std::min<std::size_t>(buffers.input.size(), compressed - consumed));
        if (::fseeko(file, position, SEEK_SET) != 0)
            return -reporter.fail("audioDecompress fsetpos failed");
        const std::size_t got = std::fread(buffers.input.data(), 1, readLength, file);
        if (got != readLength)
            return -reporter.fail("audioDecompress failed read %u of %u", static_cast<unsigned>(got),
                                  readLength);
        buffers.output.clear();
        const long used = decoder.decode(std::span<const std::uint8_t>(buffers.input.data(), readLength),
                                         consumed + readLength >= compressed, buffers.output);
        if (used < 0)
            return -reporter.fail("audioDecompress acmStreamConvert to PCM failed %ld", used);
        consumed += static_cast<std::uint32_t>(used);
        position += used;
        store.append(buffers.output);
        produced += static_cast<std::int64_t>(buffers.output.size());
        if (added && !buffers.output.empty())
            added(buffers.output);
        if (used == 0) {
            // A trailing part of a block that no decoder can use: the audio ends before it.
            reporter.logOnly("audioDecompress ignored %u bytes after the last whole block",
                             compressed - consumed);
            break;
        }
        if (consumed < compressed)
            progress(formatText("Decompressing block %u", block++));
    }
    return produced;
}

} // namespace

int decodeCompressedAudio(RecordingState& rec, SampleStore& store, Reporter& reporter,
                          const ProgressText& progress, const SamplesAdded& added) {
    progress("FINDING CODEC");
    if (findDecoderFor(rec, reporter) != 0)
        return 1;

    const WaveFormat& target = rec.playbackFormat;
    WaveFormat source = storedAudioFormat(rec);
    source.tag = wantedFormatTag(rec);

    progress("GETTING READY TO DECOMPRESS FILE");
    int error = 0;
    std::unique_ptr<AudioDecoder> decoder = AudioDecoder::open(source, {}, target, error);
    if (!decoder)
        return reporter.fail("audioDecompress failed to open stream mmr=%d hstr=%u", error, 0u);
    PassBuffers buffers;
    if (makePassBuffers(buffers, rec, source, *decoder, reporter) != 0)
        return 1;
    // Sized from what the file holds, not from the export header's count, which may claim gigabytes.
    store.setBufferSize(expectedEntries(compressedBytesInFile(rec), source, target));
    const std::int64_t produced = decodePasses(rec, *decoder, buffers, store, reporter, progress, added);
    if (produced < 0)
        return 1;
    rec.audioLength = static_cast<std::uint32_t>(produced);
    return 0;
}

} // namespace kestrum
