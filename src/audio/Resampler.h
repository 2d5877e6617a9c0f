#pragma once

#include "audio/FfmpegHandles.h"

#include <cstdint> // before FFmpeg's headers, which need its constant macros in C++

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <memory>
#include <vector>

namespace kestrum {

// Converts PCM between sample formats, channel layouts and rates through libswresample, for
// every conversion the program makes: the decoder's frames to the playback format, the store's
// samples to CD audio, to an encoder's format, or to the mono signal the analyses read. Its filter
// holds back the last few input samples' worth until it is drained.
class Resampler {
  public:
    // What goes in or comes out: samples of `format` at `rate`, in FFmpeg's usual layout for
    // `channels`, or in `layout` where the samples have one of their own.
    struct Side {
        AVSampleFormat format = AV_SAMPLE_FMT_NONE;
        int rate = 0;
        int channels = 1;
        const AVChannelLayout* layout = nullptr;
    };

    // Null, with a negative libav error code in `error`, when libswresample refuses the set-up.
    // `mixVolume` scales the channel mix (libswresample's rematrix_volume; 1 leaves its own).
    static std::unique_ptr<Resampler> open(const Side& in, const Side& out, int& error,
                                           double mixVolume = 1.0);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Whether it was set up for input of this format, rate and layout.
    bool takes(AVSampleFormat format, int rate, const AVChannelLayout& layout) const;

    // The most frames that converting `inFrames` more can give, with what it holds back, or a
    // negative libav error code.
    int outputRoom(int inFrames) const;

    // Converts `inFrames` frames of `input` (a pointer a plane; null gives up what the filter holds
    // back) into `output`, which has room for `room` frames. The frames written, or a negative
    // libav error code.
    int convert(std::uint8_t* const* output, int room, const std::uint8_t* const* input, int inFrames);

    // The same for an interleaved output format, appending what comes out to `out` (written in
    // place: an hour of a call converted is hundreds of megabytes, not worth a copy).
    int append(const std::uint8_t* const* input, int inFrames, std::vector<std::uint8_t>& out);

    // Appends everything the filter still holds back; 0 or a negative libav error code.
    int drain(std::vector<std::uint8_t>& out);

  private:
    Resampler() = default;

    ResamplerContextOwner context_;
    AVChannelLayout inLayout_{};
    AVSampleFormat inFormat_ = AV_SAMPLE_FMT_NONE;
    int inRate_ = 0;
    int outFrameBytes_ = 0;
};

} // namespace kestrum
