#pragma once

#include "audio/SampleAllocator.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrum {

// The decoded audio of the open recording: one unsigned 8-bit PCM byte per entry (128 is
// silence). The time of entry i is i / bytesPerSecond, so no time is stored. Playback, the
// waveform and the audio export all read from here.
class SampleStore {
  public:
    // Entries per second of audio, for the times of entries.
    void setTimeBase(double bytesPerSecond) { timeBase_ = bytesPerSecond; }
    double timeBase() const { return timeBase_; }

    // Bracket a bulk fill; observers (the waveform) redraw once at the end.
    void beginUpdate() { ++updateDepth_; }
    void endUpdate() {
        if (updateDepth_ > 0)
            --updateDepth_;
    }
    bool updating() const { return updateDepth_ > 0; }

    // Reserves room for `entries` without adding any; the store grows past it when it must.
    void setBufferSize(std::size_t entries) { samples_.reserve(entries); }
    std::size_t capacity() const { return samples_.capacity(); }

    // Appends one entry and returns its index.
    std::size_t addSample(std::uint8_t value) {
        samples_.push_back(value);
        return samples_.size() - 1;
    }
    void append(std::span<const std::uint8_t> values) {
        samples_.insert(samples_.end(), values.begin(), values.end());
    }
    // Adds `count` entries with no value yet and returns them, so audio can be read straight in.
    std::span<std::uint8_t> appendUnset(std::size_t count) {
        const std::size_t start = samples_.size();
        samples_.resize(start + count);
        return {samples_.data() + start, count};
    }
    // Keeps the first `count` entries (after a read that came up short).
    void truncate(std::size_t count) {
        if (count < samples_.size())
            samples_.resize(count);
    }
    void setSample(std::size_t index, std::uint8_t value) { samples_.at(index) = value; }
    std::uint8_t sample(std::size_t index) const { return samples_[index]; }

    std::size_t indexCount() const { return samples_.size(); }
    double timeOf(std::size_t index) const {
        return timeBase_ > 0 ? static_cast<double>(index) / timeBase_ : 0.0;
    }
    std::span<const std::uint8_t> samples() const { return samples_; }
    void clear() { samples_.clear(); }

  private:
    std::vector<std::uint8_t, SampleAllocator<std::uint8_t>> samples_;
    double timeBase_ = 8000.0;
    int updateDepth_ = 0;
};

} // namespace kestrum
