#include "export/CdAudioConverter.h"

#include "audio/Resampler.h"

#include <cmath>

extern "C" {
#include <libavutil/error.h>
}

#include <cerrno>
#include <climits>

namespace kestrum {

namespace {

// What the converter takes: unsigned 8-bit PCM, mono or stereo, at any positive rate.
bool isConvertible(const WaveFormat& source) {
    return source.tag == kTagPcm && source.bitsPerSample == 8 &&
           (source.channels == 1 || source.channels == 2) && source.samplesPerSec > 0 &&
           source.samplesPerSec <= INT_MAX;
}

} // namespace

CdAudioConverter::CdAudioConverter() = default;
CdAudioConverter::~CdAudioConverter() = default;

std::unique_ptr<CdAudioConverter> CdAudioConverter::open(const WaveFormat& source, int& error) {
    error = AVERROR(EINVAL);
    if (!isConvertible(source))
        return nullptr;

    std::unique_ptr<CdAudioConverter> self(new CdAudioConverter());
    self->sourceFrameBytes_ = source.channels; // one byte a channel
    // swresample's own defaults, with no dither from 8 bits to 16, except for the level of a mono
    // call: its standard matrix feeds mono into each channel at -3 dB, and a call on a CD should
    // sound as loud as it plays, so the matrix is raised by the same 3 dB (mono to both channels
    // at full level, as a plain duplication would).
    self->resampler_ = Resampler::open(
        {AV_SAMPLE_FMT_U8, static_cast<int>(source.samplesPerSec), source.channels},
        {AV_SAMPLE_FMT_S16, static_cast<int>(kCdAudioFormat.samplesPerSec), kCdAudioFormat.channels}, error,
        source.channels == 1 ? M_SQRT2 : 1.0);
    if (self->resampler_ == nullptr)
        return nullptr;
    return self;
}

long CdAudioConverter::convert(std::span<const std::uint8_t> samples, std::vector<std::uint8_t>& out) {
    // A partial frame at the end stays with the caller, who offers it again with the next block.
    const std::size_t frames = samples.size() / sourceFrameBytes_;
    if (frames == 0)
        return 0;
    if (frames > INT_MAX)
        return AVERROR(EINVAL); // more than swresample takes in one call
    const std::uint8_t* planes[1] = {samples.data()};
    const int made = resampler_->append(planes, static_cast<int>(frames), out);
    if (made < 0)
        return made;
    return static_cast<long>(frames * sourceFrameBytes_);
}

int CdAudioConverter::flush(std::vector<std::uint8_t>& out) {
    return resampler_->drain(out);
}

} // namespace kestrum
