#include "audio/Resampler.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kestrum {

namespace {

// A side's layout: its own, or FFmpeg's usual one for its channel count.
AVChannelLayout layoutOf(const Resampler::Side& side, int& error) {
    AVChannelLayout layout{};
    if (side.layout != nullptr)
        error = av_channel_layout_copy(&layout, side.layout);
    else
        av_channel_layout_default(&layout, side.channels);
    return layout;
}

} // namespace

std::unique_ptr<Resampler> Resampler::open(const Side& in, const Side& out, int& error, double mixVolume) {
    std::unique_ptr<Resampler> self(new Resampler());
    int inError = 0;
    int outError = 0;
    self->inLayout_ = layoutOf(in, inError);
    AVChannelLayout outLayout = layoutOf(out, outError);
    error = inError < 0 ? inError : outError;
    self->inFormat_ = in.format;
    self->inRate_ = in.rate;
    self->outFrameBytes_ = av_get_bytes_per_sample(out.format) * outLayout.nb_channels;
    SwrContext* made = nullptr;
    if (error >= 0)
        error = swr_alloc_set_opts2(&made, &outLayout, out.format, out.rate, &self->inLayout_, in.format,
                                    in.rate, 0, nullptr);
    av_channel_layout_uninit(&outLayout);
    self->context_.reset(made);
    if (error >= 0 && mixVolume != 1.0)
        error = av_opt_set_double(made, "rematrix_volume", mixVolume, 0);
    if (error >= 0)
        error = swr_init(made);
    if (error < 0)
        return nullptr;
    error = 0;
    return self;
}

Resampler::~Resampler() {
    av_channel_layout_uninit(&inLayout_);
}

bool Resampler::takes(AVSampleFormat format, int rate, const AVChannelLayout& layout) const {
    return format == inFormat_ && rate == inRate_ && av_channel_layout_compare(&layout, &inLayout_) == 0;
}

int Resampler::outputRoom(int inFrames) const {
    return swr_get_out_samples(context_.get(), inFrames);
}

int Resampler::convert(std::uint8_t* const* output, int room, const std::uint8_t* const* input,
                       int inFrames) {
    // libswresample 4 (FFmpeg 5) takes its plane arrays without const; it writes neither.
    return swr_convert(context_.get(), const_cast<std::uint8_t**>(output), room,
                       const_cast<const std::uint8_t**>(input), input != nullptr ? inFrames : 0);
}

int Resampler::append(const std::uint8_t* const* input, int inFrames, std::vector<std::uint8_t>& out) {
    const int room = outputRoom(input != nullptr ? inFrames : 0);
    if (room < 0)
        return room;
    const std::size_t start = out.size();
    const auto frameBytes = static_cast<std::size_t>(outFrameBytes_);
    out.resize(start + static_cast<std::size_t>(room) * frameBytes);
    std::uint8_t* planes[1] = {out.data() + start};
    const int made = convert(planes, room, input, inFrames);
    out.resize(start + static_cast<std::size_t>(made > 0 ? made : 0) * frameBytes);
    return made;
}

int Resampler::drain(std::vector<std::uint8_t>& out) {
    // One pass normally gives it all; repeated until libswresample has nothing more.
    for (;;) {
        const int made = append(nullptr, 0, out);
        if (made <= 0)
            return made;
    }
}

} // namespace kestrum
