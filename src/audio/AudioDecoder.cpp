#include "audio/AudioDecoder.h"

#include "audio/CodecLibrary.h"
#include "audio/FfmpegHandles.h"
#include "audio/Resampler.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>

namespace kestrum {

namespace {

// The decoder for each wave-format tag the player plays.
AVCodecID codecIdFor(std::uint16_t tag, std::uint16_t bitsPerSample) {
    switch (tag) {
    case 0x0001:
        return bitsPerSample == 8    ? AV_CODEC_ID_PCM_U8
               : bitsPerSample == 16 ? AV_CODEC_ID_PCM_S16LE
                                     : AV_CODEC_ID_NONE;
    case 0x0002:
        return AV_CODEC_ID_ADPCM_MS;
    case 0x0006:
        return AV_CODEC_ID_PCM_ALAW;
    case 0x0007:
        return AV_CODEC_ID_PCM_MULAW;
    case 0x0011:
        return AV_CODEC_ID_ADPCM_IMA_WAV;
    case 0x0022:
        return AV_CODEC_ID_TRUESPEECH;
    case 0x0031:
        return AV_CODEC_ID_GSM_MS;
    case 0x0055:
        return AV_CODEC_ID_MP3;
    default:
        return AV_CODEC_ID_NONE;
    }
}

// A block size for headers that give none: the codec's own, or one sample frame for PCM.
std::size_t defaultBlockSize(AVCodecID id, const WaveFormat& source) {
    switch (id) {
    case AV_CODEC_ID_TRUESPEECH:
        return 32;
    case AV_CODEC_ID_GSM_MS:
        return 65;
    case AV_CODEC_ID_PCM_S16LE:
        return 2u * std::max<std::uint16_t>(source.channels, 1);
    default:
        return std::max<std::uint16_t>(source.channels, 1);
    }
}

// The bytes a final part-block must hold for its decoder to use it: the ADPCM formats start each
// block with a header (IMA: 4 bytes a channel, MS: 7) from which the decoder counts the samples that
// follow, so a part-block decodes as far as it goes. 0 for formats whose part-blocks nothing can
// decode (TrueSpeech, GSM: a frame is all or nothing).
std::size_t smallestPartBlock(AVCodecID id, const WaveFormat& source) {
    const std::size_t channels = std::max<std::uint16_t>(source.channels, 1);
    switch (id) {
    case AV_CODEC_ID_ADPCM_IMA_WAV:
        return 4 * channels;
    case AV_CODEC_ID_ADPCM_MS:
        return 7 * channels;
    default:
        return 0;
    }
}

// Appends signed 16-bit samples as 8-bit PCM: (s >> 8) + 128.
void appendAsEightBit(const std::int16_t* samples, std::size_t count, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    out.resize(start + count);
    for (std::size_t i = 0; i < count; ++i)
        out[start + i] = static_cast<std::uint8_t>((samples[i] >> 8) + 128);
}

// The sample rates taken from a header. The decoders give their frames the header's rate (even
// MP3's first frames, before its stream's own rate is known), and the frames are converted to the
// playback rate: the resampler's filter grows with the ratio of the two (for a header's 1e9 Hz it
// takes minutes to set up), and its output with their quotient (a header's 1 Hz makes 8000 samples
// of every stored one, gigabytes from a small file).
constexpr std::uint32_t kLowestSourceRate = 1000;
constexpr std::uint32_t kHighestSourceRate = 384000;

// A header without a rate (0) is left to fail where it always has: its first frame cannot be converted.
bool sourceRateRefused(std::uint32_t rate) {
    return rate != 0 && (rate < kLowestSourceRate || rate > kHighestSourceRate);
}

} // namespace

struct AudioDecoder::Codec {
    const CodecLibrary* library = nullptr;
    CodecContextOwner context;
    ParserOwner parser; // stream formats (MP3) find their frames through it
    // The parser reads up to AV_INPUT_BUFFER_PADDING_SIZE bytes past the end of its input, so it is
    // given a copy followed by that many zeros.
    std::vector<std::uint8_t> parserInput;
    PacketOwner packet;
    FrameOwner frame;
    // Made for the first frame that needs one; it reads as many planes as that frame's layout has.
    std::unique_ptr<Resampler> resampler;
    std::vector<std::uint8_t> resampled; // its signed 16-bit output, before it becomes 8-bit

    // Appends what the resampler gives for `frames` frames of `planes` (null: what it holds back)
    // as 8-bit PCM.
    int appendResampled(const std::uint8_t* const* planes, int frames, std::vector<std::uint8_t>& out) {
        resampled.clear();
        const int made =
            planes != nullptr ? resampler->append(planes, frames, resampled) : resampler->drain(resampled);
        if (made < 0)
            return made;
        appendAsEightBit(reinterpret_cast<const std::int16_t*>(resampled.data()), resampled.size() / 2, out);
        return 0;
    }
};

AudioDecoder::AudioDecoder() : codec_(std::make_unique<Codec>()) {}
AudioDecoder::~AudioDecoder() = default;

bool AudioDecoder::canDecode(std::uint16_t tag, std::uint16_t bitsPerSample) {
    const AVCodecID id = codecIdFor(tag, bitsPerSample);
    const CodecLibrary* library = CodecLibrary::get();
    return id != AV_CODEC_ID_NONE && library != nullptr && library->findDecoder(id) != nullptr;
}

std::unique_ptr<AudioDecoder> AudioDecoder::open(const WaveFormat& source,
                                                 std::span<const std::uint8_t> extraData,
                                                 const WaveFormat& target, int& error) {
    // Several blocks to a packet is deliberate; libav's notice about it is not for users.
    av_log_set_level(AV_LOG_ERROR);
    error = AVERROR_DECODER_NOT_FOUND;
    const AVCodecID id = codecIdFor(source.tag, source.bitsPerSample);
    const CodecLibrary* library = CodecLibrary::get();
    const AVCodec* decoder =
        id == AV_CODEC_ID_NONE || library == nullptr ? nullptr : library->findDecoder(id);
    if (decoder == nullptr)
        return nullptr;
    if (sourceRateRefused(source.samplesPerSec)) {
        error = AVERROR(EINVAL);
        return nullptr;
    }

    std::unique_ptr<AudioDecoder> self(new AudioDecoder());
    self->target_ = target;
    Codec& codec = *self->codec_;
    codec.library = library;
    codec.context = CodecContextOwner(library->allocContext(decoder), {library->freeContext});
    codec.packet = PacketOwner(library->packetAlloc(), {library->packetFree});
    codec.frame = allocateFrame();
    if (codec.context == nullptr || codec.packet == nullptr || codec.frame == nullptr) {
        error = AVERROR(ENOMEM);
        return nullptr;
    }
    AVCodecContext* context = codec.context.get();
    context->sample_rate = static_cast<int>(source.samplesPerSec);
    av_channel_layout_default(&context->ch_layout, std::max<int>(source.channels, 1));
    context->block_align = source.blockAlign;
    context->bits_per_coded_sample = source.bitsPerSample;
    context->bit_rate = static_cast<std::int64_t>(source.avgBytesPerSec) * 8;
    if (!extraData.empty()) {
        context->extradata =
            static_cast<std::uint8_t*>(av_mallocz(extraData.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (context->extradata == nullptr) {
            error = AVERROR(ENOMEM);
            return nullptr;
        }
        std::copy(extraData.begin(), extraData.end(), context->extradata);
        context->extradata_size = static_cast<int>(extraData.size());
    }
    if (id == AV_CODEC_ID_MP3) {
        codec.parser = ParserOwner(library->parserInit(id), {library->parserClose});
        if (codec.parser == nullptr)
            return nullptr;
        self->blockSize_ = 1;
    } else {
        self->blockSize_ = source.blockAlign > 0 ? source.blockAlign : defaultBlockSize(id, source);
        if (context->block_align == 0)
            context->block_align = static_cast<int>(self->blockSize_);
        self->smallestPartBlock_ = smallestPartBlock(id, source);
    }
    error = library->open(context, decoder, nullptr);
    if (error < 0)
        return nullptr;
    error = 0;
    return self;
}

long AudioDecoder::decode(std::span<const std::uint8_t> input, bool last, std::vector<std::uint8_t>& out) {
    Codec& codec = *codec_;
    std::size_t used = 0;
    if (codec.parser != nullptr) {
        // A stream format: the parser takes every byte, keeping a partial frame for the next call;
        // the last call flushes it.
        codec.parserInput.assign(input.begin(), input.end());
        codec.parserInput.resize(input.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        const std::uint8_t* data = codec.parserInput.data();
        std::size_t left = input.size();
        bool flushed = false;
        while (left > 0 || (last && !flushed)) {
            flushed = left == 0;
            std::uint8_t* frameData = nullptr;
            int frameSize = 0;
            const int taken = codec.library->parserParse(
                codec.parser.get(), codec.context.get(), &frameData, &frameSize, flushed ? nullptr : data,
                static_cast<int>(left), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (taken < 0)
                return taken;
            data += taken;
            left -= static_cast<std::size_t>(taken);
            if (frameSize > 0) {
                codec.packet->data = frameData; // the parser's memory: copied by the decoder
                codec.packet->size = frameSize;
                const int sent = codec.library->sendPacket(codec.context.get(), codec.packet.get());
                codec.packet->data = nullptr;
                codec.packet->size = 0;
                // A damaged frame is skipped, as players of such streams do.
                if (sent == 0)
                    if (const int received = receiveFrames(out); received < 0)
                        return received;
            }
        }
        used = input.size();
    } else {
        // Whole blocks, several to a packet.
        const std::size_t wholeBlocks = input.size() / blockSize_;
        const std::size_t blocksPerPacket = std::max<std::size_t>(1, 8192 / blockSize_);
        for (std::size_t block = 0; block < wholeBlocks; block += blocksPerPacket) {
            const std::size_t count = std::min(blocksPerPacket, wholeBlocks - block);
            if (const int sent = sendPacket(input.subspan(block * blockSize_, count * blockSize_)); sent < 0)
                return sent;
            if (const int received = receiveFrames(out); received < 0)
                return received;
        }
        used = wholeBlocks * blockSize_;
        if (last && used < input.size()) {
            const long partBlock = decodeFinalPartBlock(input.subspan(used), out);
            if (partBlock < 0)
                return partBlock;
            used += static_cast<std::size_t>(partBlock);
        }
    }
    if (last) {
        codec.library->sendPacket(codec.context.get(), nullptr);
        if (const int received = receiveFrames(out); received < 0)
            return received;
        // The resampler holds back its filter's delay until drained.
        if (codec.resampler != nullptr)
            if (const int drained = codec.appendResampled(nullptr, 0, out); drained < 0)
                return drained;
    }
    return static_cast<long>(used);
}

int AudioDecoder::sendPacket(std::span<const std::uint8_t> bytes) {
    Codec& codec = *codec_;
    if (codec.library->newPacket(codec.packet.get(), static_cast<int>(bytes.size())) < 0)
        return AVERROR(ENOMEM);
    std::copy(bytes.begin(), bytes.end(), codec.packet->data);
    const int sent = codec.library->sendPacket(codec.context.get(), codec.packet.get());
    codec.library->packetUnref(codec.packet.get());
    return sent;
}

// The end of the call may lie in a block the recorder never filled. Sent as a packet of its own,
// the decoder takes it as a short block: it decodes the samples its header counts and refuses the
// few bytes after them that make no whole group of samples, which stands as what there is. A
// part-block the decoder does not take at all is left unused, as in formats that cannot decode one,
// rather than failing the audio before it.
long AudioDecoder::decodeFinalPartBlock(std::span<const std::uint8_t> partBlock,
                                        std::vector<std::uint8_t>& out) {
    if (smallestPartBlock_ == 0 || partBlock.size() < smallestPartBlock_)
        return 0;
    const std::size_t before = out.size();
    if (sendPacket(partBlock) < 0)
        return 0;
    if (const int received = receiveFrames(out); received < 0 && received != AVERROR_INVALIDDATA)
        return received;
    return out.size() > before ? static_cast<long>(partBlock.size()) : 0;
}

int AudioDecoder::receiveFrames(std::vector<std::uint8_t>& out) {
    Codec& codec = *codec_;
    for (;;) {
        const int result = codec.library->receiveFrame(codec.context.get(), codec.frame.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return result;
        const int converted = convertFrame(out);
        av_frame_unref(codec.frame.get());
        if (converted < 0)
            return converted;
    }
}

// Appends one decoded frame as 8-bit PCM.
int AudioDecoder::convertFrame(std::vector<std::uint8_t>& out) {
    Codec& codec = *codec_;
    const AVFrame* frame = codec.frame.get();
    const int targetChannels = std::max<int>(target_.channels, 1);
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const bool sameShape = frame->nb_samples > 0 && frame->ch_layout.nb_channels == targetChannels &&
                           frame->sample_rate == static_cast<int>(target_.samplesPerSec) &&
                           (targetChannels == 1 || !av_sample_fmt_is_planar(format));
    const std::size_t count =
        static_cast<std::size_t>(frame->nb_samples) * static_cast<std::size_t>(targetChannels);

    if (codec.resampler == nullptr && sameShape &&
        (format == AV_SAMPLE_FMT_S16 || format == AV_SAMPLE_FMT_S16P)) {
        appendAsEightBit(reinterpret_cast<const std::int16_t*>(frame->data[0]), count, out);
        return 0;
    }
    if (codec.resampler == nullptr && sameShape &&
        (format == AV_SAMPLE_FMT_U8 || format == AV_SAMPLE_FMT_U8P)) {
        out.insert(out.end(), frame->data[0], frame->data[0] + count);
        return 0;
    }
    if (frame->nb_samples == 0)
        return 0;

    // A stream (MP3) may change its channels, rate or sample format from one frame to the next:
    // what the resampler holds is drained, and it is set up again for the new frames.
    if (codec.resampler != nullptr && !codec.resampler->takes(format, frame->sample_rate, frame->ch_layout)) {
        if (const int drained = codec.appendResampled(nullptr, 0, out); drained < 0)
            return drained;
        codec.resampler.reset();
    }
    if (codec.resampler == nullptr) {
        int error = 0;
        codec.resampler = Resampler::open(
            {format, frame->sample_rate, 0, &frame->ch_layout},
            {AV_SAMPLE_FMT_S16, static_cast<int>(target_.samplesPerSec), targetChannels}, error);
        if (codec.resampler == nullptr)
            return error;
    }
    return codec.appendResampled(frame->extended_data, frame->nb_samples, out);
}

} // namespace kestrum
