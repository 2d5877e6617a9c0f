#include "export/CdAudioConverter.h"

#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cerrno>
#include <climits>

namespace kestrum {

namespace {

constexpr std::size_t kCdFrameBytes = kCdAudioFormat.blockAlign;

// What the converter takes: unsigned 8-bit PCM, mono or stereo, at any positive rate.
bool isConvertible(const WaveFormat& source) {
    return source.tag == kTagPcm && source.bitsPerSample == 8 &&
           (source.channels == 1 || source.channels == 2) && source.samplesPerSec > 0 &&
           source.samplesPerSec <= INT_MAX;
}

} // namespace

struct CdAudioConverter::Resampler {
    SwrContext* context = nullptr;
    std::size_t sourceFrameBytes = 1; // one byte a channel

    ~Resampler() { swr_free(&context); }

    // Runs the resampler on `frames` source frames (none: drains what it holds back), appending
    // what it gives to `out`. The number of CD frames appended, or a negative libav error code.
    int run(const std::uint8_t* samples, int frames, std::vector<std::uint8_t>& out) {
        const int room = swr_get_out_samples(context, frames);
        if (room < 0)
            return room;
        // Written in place: one copy less of what is, for an hour, over 600 MB.
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(room) * kCdFrameBytes);
        std::uint8_t* outPlanes[1] = {out.data() + start};
        const std::uint8_t* inPlanes[1] = {samples};
        const int made = swr_convert(context, outPlanes, room, frames > 0 ? inPlanes : nullptr, frames);
        out.resize(start + static_cast<std::size_t>(made > 0 ? made : 0) * kCdFrameBytes);
        return made;
    }
};

CdAudioConverter::CdAudioConverter() : resampler_(std::make_unique<Resampler>()) {}
CdAudioConverter::~CdAudioConverter() = default;

std::unique_ptr<CdAudioConverter> CdAudioConverter::open(const WaveFormat& source, int& error) {
    error = AVERROR(EINVAL);
    if (!isConvertible(source))
        return nullptr;

    std::unique_ptr<CdAudioConverter> self(new CdAudioConverter());
    Resampler& resampler = *self->resampler_;
    resampler.sourceFrameBytes = source.channels;
    AVChannelLayout inLayout;
    AVChannelLayout outLayout;
    av_channel_layout_default(&inLayout, source.channels);
    av_channel_layout_default(&outLayout, kCdAudioFormat.channels);
    // swresample's own defaults, with no dither from 8 bits to 16, except for the level of a mono
    // call: its standard matrix feeds mono into each channel at -3 dB, and a call on a CD should
    // sound as loud as it plays, so the matrix is raised by the same 3 dB (mono to both channels
    // at full level, as a plain duplication would).
    error = swr_alloc_set_opts2(&resampler.context, &outLayout, AV_SAMPLE_FMT_S16,
                                static_cast<int>(kCdAudioFormat.samplesPerSec), &inLayout, AV_SAMPLE_FMT_U8,
                                static_cast<int>(source.samplesPerSec), 0, nullptr);
    if (error < 0)
        return nullptr;
    if (source.channels == 1 &&
        (error = av_opt_set_double(resampler.context, "rematrix_volume", M_SQRT2, 0)) < 0)
        return nullptr;
    error = swr_init(resampler.context);
    if (error < 0)
        return nullptr;
    error = 0;
    return self;
}

long CdAudioConverter::convert(std::span<const std::uint8_t> samples, std::vector<std::uint8_t>& out) {
    Resampler& resampler = *resampler_;
    // A partial frame at the end stays with the caller, who offers it again with the next block.
    const std::size_t frames = samples.size() / resampler.sourceFrameBytes;
    if (frames == 0)
        return 0;
    if (frames > INT_MAX)
        return AVERROR(EINVAL); // more than swresample takes in one call
    const int made = resampler.run(samples.data(), static_cast<int>(frames), out);
    if (made < 0)
        return made;
    return static_cast<long>(frames * resampler.sourceFrameBytes);
}

int CdAudioConverter::flush(std::vector<std::uint8_t>& out) {
    // One call normally drains it all; repeat until swresample has nothing more to give.
    for (;;) {
        const int made = resampler_->run(nullptr, 0, out);
        if (made <= 0)
            return made;
    }
}

} // namespace kestrum
