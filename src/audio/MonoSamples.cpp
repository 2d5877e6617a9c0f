#include "audio/MonoSamples.h"

#include "audio/FrameClock.h"
#include "audio/Resampler.h"

#include <algorithm>

namespace kestrum {

namespace {

// Every sample of the store as signed 16-bit, channels interleaved as stored.
std::vector<std::int16_t> sixteenBitSamples(std::span<const std::uint8_t> pcm, bool sixteenBit) {
    std::vector<std::int16_t> samples(sixteenBit ? pcm.size() / 2 : pcm.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = sixteenBit ? static_cast<std::int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8))
                                : static_cast<std::int16_t>((pcm[i] - 128) * 256);
    return samples;
}

std::vector<std::int16_t> converted(const std::vector<std::int16_t>& samples, int channels, int fromRate,
                                    int toRate) {
    int error = 0;
    const std::unique_ptr<Resampler> resampler =
        Resampler::open({AV_SAMPLE_FMT_S16, fromRate, channels}, {AV_SAMPLE_FMT_S16, toRate, 1}, error);
    if (resampler == nullptr)
        return {};
    const int inFrames = static_cast<int>(samples.size() / static_cast<std::size_t>(channels));
    const int room = resampler->outputRoom(inFrames) + 32;
    std::vector<std::int16_t> out(static_cast<std::size_t>(room));
    const auto* in = reinterpret_cast<const std::uint8_t*>(samples.data());
    auto* target = reinterpret_cast<std::uint8_t*>(out.data());
    const int produced = resampler->convert(&target, room, &in, inFrames);
    if (produced < 0)
        return {};
    // What the filter still holds, so the end of the call is not cut short.
    target = reinterpret_cast<std::uint8_t*>(out.data() + produced);
    const int flushed = resampler->convert(&target, room - produced, nullptr, 0);
    out.resize(static_cast<std::size_t>(produced + std::max(flushed, 0)));
    return out;
}

} // namespace

std::vector<std::int16_t> monoSamplesAt(std::span<const std::uint8_t> pcm, const WaveFormat& format,
                                        std::uint32_t rate) {
    const FrameClock clock(format);
    const int channels = std::max<int>(format.channels, 1);
    const std::uint32_t sampleBytes = clock.frameBytes() / static_cast<std::uint32_t>(channels);
    if (clock.framesPerSecond() == 0 || (sampleBytes != 1 && sampleBytes != 2))
        return {};
    const std::uint64_t frames = clock.framesIn(pcm.size());
    std::vector<std::int16_t> samples = sixteenBitSamples(pcm.first(clock.bytesOf(frames)), sampleBytes == 2);
    if (channels == 1 && clock.framesPerSecond() == rate)
        return samples;
    return converted(samples, channels, static_cast<int>(clock.framesPerSecond()), static_cast<int>(rate));
}

} // namespace kestrum

namespace kestrum {

MonoSignal::MonoSignal(std::span<const std::uint8_t> pcm, const WaveFormat& format, std::uint32_t rate) {
    const FrameClock clock(format);
    inPlace_ = clock.frameBytes() == 1 && clock.framesPerSecond() == rate;
    if (inPlace_)
        bytes_ = pcm;
    else
        converted_ = monoSamplesAt(pcm, format, rate);
}

} // namespace kestrum
