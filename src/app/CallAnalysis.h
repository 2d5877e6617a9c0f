#pragma once

#include "app/PlayerState.h"
#include "audio/FrequencySummary.h"
#include "audio/SilenceMap.h" // FrameSpan
#include "recording/WaveFormat.h"

#include <cstdint>
#include <future>
#include <span>
#include <vector>

namespace kestrum {

// What the player works out from the whole call once its sound is loaded, each on a thread of its
// own beside the playing call, at a lower priority: where telephone keys were pressed (the places
// only: which keys is never kept, shown or logged), at once; and the spectrogram summary, only
// once the user first asks to see it, as it takes some half the call's own size in memory (164 MB more
// while ten hours play).
class CallAnalysis {
  public:
    CallAnalysis() = default;
    CallAnalysis(const CallAnalysis&) = delete;
    CallAnalysis& operator=(const CallAnalysis&) = delete;
    ~CallAnalysis() { wait(); }

    // The store is whole and no longer changes: the work reads it in place from here on.
    void start(std::span<const std::uint8_t> samples, const WaveFormat& format);
    bool started() const { return started_; }
    // The user wants the spectrogram: made once the store is whole (at once if it is).
    void wantSpectrogram();
    // Moves what has been worked out since the last call into the state; true when anything came.
    bool collect(PlayerState& state);
    // Waits for the work under way (it reads the store).
    void wait();

  private:
    void startSpectrogram();

    std::span<const std::uint8_t> samples_;
    WaveFormat format_{};
    bool started_ = false;
    bool spectrogramWanted_ = false;
    std::future<std::vector<FrameSpan>> keyPresses_;
    std::future<FrequencySummary> spectrogram_;
};

} // namespace kestrum
