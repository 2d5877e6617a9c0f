#include "app/CallAnalysis.h"

#include "audio/KeyPresses.h"

namespace kestrum {

void analyseLoadedCall(PlayerState& state) {
    const WaveFormat& format = state.recording.playbackFormat;
    state.keyPresses = keyPressPlaces(findKeyPresses(state.store.samples(), format));
    state.spectrogram.build(state.store.samples(), format);
}

} // namespace kestrum
