#pragma once

#include "audio/SampleAllocator.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrum {

// The decoded audio of the open recording: its PCM bytes in the playback format, one entry a byte
// (8-bit unsigned or 16-bit signed samples, every channel's in turn). No time is stored: a
// FrameClock turns positions into seconds. Playback, the waveform and the audio export read here.
class SampleStore {
  public:
    // Reserves room for `entries` without adding any; the store grows past it when it must.
    void setBufferSize(std::size_t entries) { samples_.reserve(entries); }
    std::size_t capacity() const { return samples_.capacity(); }

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
    std::uint8_t sample(std::size_t index) const { return samples_[index]; }

    std::size_t indexCount() const { return samples_.size(); }
    std::span<const std::uint8_t> samples() const { return samples_; }
    void clear() { samples_.clear(); }

  private:
    std::vector<std::uint8_t, SampleAllocator<std::uint8_t>> samples_;
};

} // namespace kestrum
