#include "app/CallAnalysis.h"

#include "audio/KeyPresses.h"

#include <thread>

namespace kestrum {

CallAnalysis analyseCall(std::span<const std::uint8_t> samples, const WaveFormat& format) {
    CallAnalysis analysis;
    // The two read the samples side by side, on two cores: some half a second each for an hour.
    std::thread spectrogram([&] { analysis.spectrogram.build(samples, format); });
    analysis.keyPresses = keyPressPlaces(findKeyPresses(samples, format));
    spectrogram.join();
    return analysis;
}

} // namespace kestrum
