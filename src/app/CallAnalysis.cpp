#include "app/CallAnalysis.h"

#include "audio/KeyPresses.h"

#include <thread>

namespace kestrum {

void analyseLoadedCall(PlayerState& state) {
    const WaveFormat& format = state.recording.playbackFormat;
    // The two read the store side by side, on two cores: some half a second each for an hour.
    std::thread spectrogram([&state, &format] { state.spectrogram.build(state.store.samples(), format); });
    state.keyPresses = keyPressPlaces(findKeyPresses(state.store.samples(), format));
    spectrogram.join();
}

} // namespace kestrum
