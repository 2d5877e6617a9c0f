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

// About how many entries the decoded audio makes, from the header's rates (no speech or PCM format
// here expands by more than 16 times), a little over rather than under.
std::size_t expectedEntriesOf(std::uint32_t compressedBytes, const WaveFormat& source,
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

// The buffers of the passes: four seconds of compressed input a pass (at least one block, for
// headers that give no rate), but no more than the file holds: the rate is a header field, and a
// hostile one would have gigabytes allocated for a file of a few hundred bytes.
struct CompressedAudioDecode::Buffers {
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
};

namespace {

int makePassBuffers(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output,
                    const RecordingState& rec, const WaveFormat& source, const AudioDecoder& decoder,
                    Reporter& reporter) {
    const WaveFormat& target = rec.playbackFormat;
    const std::size_t passSize =
        source.avgBytesPerSec > 0 ? std::size_t{source.avgBytesPerSec} * kSecondsPerPass : 32000;
    const std::size_t sourceSize = std::max<std::size_t>(
        std::min<std::size_t>(passSize, compressedBytesInFile(rec)), decoder.blockSize());
    try {
        input.resize(sourceSize);
    } catch (const std::bad_alloc&) {
        return reporter.fail("audioDecompress failed to malloc Src %u", static_cast<unsigned>(sourceSize));
    }
    const std::size_t outputSize =
        std::size_t{target.samplesPerSec} * std::max(1, target.bitsPerSample / 8) * 5;
    try {
        output.reserve(outputSize);
    } catch (const std::bad_alloc&) {
        return reporter.fail("audioDecompress failed to malloc Dst %u", static_cast<unsigned>(outputSize));
    }
    return 0;
}

// The store's room for the decoded call: more than any format here makes of its input (TrueSpeech,
// the most, makes 7.5 bytes of each), whatever the header's rates claim. Address space only.
constexpr std::size_t kMostEntriesPerByte = 16;

} // namespace

std::unique_ptr<CompressedAudioDecode> CompressedAudioDecode::open(RecordingState& rec, SampleStore& store,
                                                                   Reporter& reporter,
                                                                   const ProgressText& progress) {
    progress("FINDING CODEC");
    if (findDecoderFor(rec, reporter) != 0)
        return nullptr;

    const WaveFormat& target = rec.playbackFormat;
    WaveFormat source = storedAudioFormat(rec);
    source.tag = wantedFormatTag(rec);

    progress("GETTING READY TO DECOMPRESS FILE");
    std::unique_ptr<CompressedAudioDecode> decode(new CompressedAudioDecode());
    int error = 0;
    decode->decoder_ = AudioDecoder::open(source, {}, target, error);
    if (!decode->decoder_) {
        reporter.fail("audioDecompress failed to open stream mmr=%d hstr=%u", error, 0u);
        return nullptr;
    }
    decode->buffers_ = std::make_unique<Buffers>();
    if (makePassBuffers(decode->buffers_->input, decode->buffers_->output, rec, source, *decode->decoder_,
                        reporter) != 0)
        return nullptr;
    // Sized from what the file holds, not from the export header's count, which may claim gigabytes.
    const std::uint32_t inFile = compressedBytesInFile(rec);
    store.setBufferSize(std::size_t{inFile} * kMostEntriesPerByte + (std::size_t{1} << 20));
    decode->expected_ = expectedEntriesOf(inFile, source, target);
    decode->store_ = &store;
    decode->compressed_ = rec.audioLength;
    decode->position_ = ::ftello(rec.recordingFile.get());
    decode->file_ = std::move(rec.recordingFile);
    if (decode->position_ < 0) {
        reporter.fail("audioDecompress fgetpos failed");
        return nullptr;
    }
    return decode;
}

CompressedAudioDecode::~CompressedAudioDecode() = default;

CompressedAudioDecode::Pass CompressedAudioDecode::fail(std::string message) {
    failure_ = std::move(message);
    return Pass::Failed;
}

CompressedAudioDecode::Pass CompressedAudioDecode::decodePass(const SamplesAdded& added) {
    if (!failure_.empty())
        return Pass::Failed;
    if (consumed_ >= compressed_)
        return Pass::Done;
    std::FILE* file = file_.get();
    std::vector<std::uint8_t>& input = buffers_->input;
    std::vector<std::uint8_t>& output = buffers_->output;
    const auto readLength =
        static_cast<std::uint32_t>(std::min<std::size_t>(input.size(), compressed_ - consumed_));
    if (::fseeko(file, position_, SEEK_SET) != 0)
        return fail("audioDecompress fsetpos failed");
    const std::size_t got = std::fread(input.data(), 1, readLength, file);
    if (got != readLength)
        return fail(
            formatText("audioDecompress failed read %u of %u", static_cast<unsigned>(got), readLength));
    output.clear();
    const long used = decoder_->decode(std::span<const std::uint8_t>(input.data(), readLength),
                                       consumed_ + readLength >= compressed_, output);
    if (used < 0)
        return fail(formatText("audioDecompress acmStreamConvert to PCM failed %ld", used));
    consumed_ += static_cast<std::uint32_t>(used);
    position_ += used;
    if (!store_->append(output))
        return fail(
            formatText("audioDecompress stopped after %llu bytes of sound: the rest of the call decodes "
                       "to more than %zu bytes, more than its length can hold",
                       static_cast<unsigned long long>(produced_), store_->capacity()));
    produced_ += output.size();
    ++passes_;
    if (added && !output.empty())
        added(output);
    if (used == 0) {
        // A trailing part of a block that no decoder can use: the audio ends before it.
        note_ = formatText("audioDecompress ignored %u bytes after the last whole block",
                           compressed_ - consumed_);
        return Pass::Done;
    }
    return consumed_ < compressed_ ? Pass::More : Pass::Done;
}

int CompressedAudioDecode::finish(RecordingState& rec, Reporter& reporter) const {
    // What was decoded before a failure stays in the store, and plays when the call already does.
    rec.audioLength = static_cast<std::uint32_t>(produced_);
    if (!note_.empty())
        reporter.logOnly("%s", note_.c_str());
    if (!failure_.empty())
        return reporter.fail("%s", failure_.c_str());
    return 0;
}

int decodeCompressedAudio(RecordingState& rec, SampleStore& store, Reporter& reporter,
                          const ProgressText& progress, const SamplesAdded& added) {
    const std::unique_ptr<CompressedAudioDecode> decode =
        CompressedAudioDecode::open(rec, store, reporter, progress);
    if (!decode)
        return 1;
    CompressedAudioDecode::Pass pass;
    while ((pass = decode->decodePass(added)) == CompressedAudioDecode::Pass::More)
        progress(formatText("Decompressing block %u", decode->passes() - 1));
    return decode->finish(rec, reporter);
}

} // namespace kestrum
