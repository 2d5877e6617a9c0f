#pragma once

#include "app/PlayerState.h"

namespace kestrum {

// What the player works out from the whole call once its sound is loaded, as the peak summaries:
// where telephone keys were pressed (the places only: which keys is never kept, shown or logged)
// and the spectrogram summary. Reads the store, which does not change afterwards.
void analyseLoadedCall(PlayerState& state);

} // namespace kestrum
