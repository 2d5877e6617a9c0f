#pragma once

#include "recording/WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kestrum {

// What the listening aids ask of the sound on its way to the device.
struct SoundFilterChoice {
    bool keepPitch = false;   // change the tempo, not the pitch
    bool evenVoices = false;  // bring quiet and loud talkers to a similar level
    bool reduceNoise = false; // take off hum and line hiss

    bool any() const { return keepPitch || evenVoices || reduceNoise; }
    bool operator==(const SoundFilterChoice&) const = default;
};

// The listening aids as one FFmpeg filter graph in the playback path: PCM of the recording's
// format in, the same format out, at the same rate (a tempo change makes fewer or more frames
// come out than go in). Built and run on the sound renderer's thread, never the device's; building
// one takes a millisecond or two at telephone rates.
class SoundFilter {
  public:
    // The graph for the choice, or null with `error` set (the formats FFmpeg takes: 8-bit
    // unsigned or 16-bit signed PCM, any channel count).
    static std::unique_ptr<SoundFilter> open(const WaveFormat& format, const SoundFilterChoice& choice,
                                             double tempo, std::string& error);
    ~SoundFilter();
    SoundFilter(const SoundFilter&) = delete;
    SoundFilter& operator=(const SoundFilter&) = delete;

    // Feeds whole frames; what comes out waits in the filter's output queue. False on an error.
    bool push(std::span<const std::uint8_t> frames);
    // No more input: what the filters still hold comes out.
    void finish();
    // Takes up to `out.size()` bytes (whole frames) from the output queue; the bytes taken.
    std::size_t take(std::span<std::uint8_t> out);
    std::size_t queuedBytes() const { return queue_.size() - queueStart_; }
    bool finished() const { return finished_; }
    // A new tempo for the time-stretcher, taking effect with the next frames.
    void setTempo(double tempo);

  private:
    struct Graph;
    explicit SoundFilter(std::unique_ptr<Graph> graph, std::uint32_t frameBytes);
    void drainSink();

    std::unique_ptr<Graph> graph_;
    std::uint32_t frameBytes_;
    std::vector<std::uint8_t> queue_;
    std::size_t queueStart_ = 0;
    bool finished_ = false;
    std::int64_t nextTimestamp_ = 0;
};

} // namespace kestrum
