#pragma once

#include "audio/FrameClock.h"
#include "audio/SoundFilter.h"
#include "audio/SourceCursor.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace kestrum {

// The call's sound through the listening aids' filter graph, on the renderer's thread: fed from a
// source cursor as the output needs, and knowing which of the call's frames each output frame
// sounds. A frame that has come out is heard; the frames inside the filter (the time-stretcher
// holds a tenth of a second or more) are not yet, so what is shown and what another filter would
// go on from is the output's place, not the input's. At the call's end the filter is flushed, its
// last frame heard at every tempo.
class FilteredSound {
  public:
    // The graph for the choice, starting at the call's frame `at`; null with `error` set.
    static std::unique_ptr<FilteredSound> open(const WaveFormat& format, const SoundFilterChoice& choice,
                                               double tempo, std::uint64_t at, std::string& error);

    void setTempo(double tempo);
    // Fills `to` with up to `frames` frames of filtered sound, `heardFrom` to `heardTo` the
    // call's frames they sound. 0 when nothing comes now: waiting for the loader, or `ended` once
    // the call's end has come out whole. -1 when the filter failed.
    long render(SourceCursor& cursor, const SoundPlan& plan, std::uint8_t* to, std::uint64_t frames,
                std::uint64_t& heardFrom, std::uint64_t& heardTo, bool& ended);
    // The call's frame up to which the sound has come out.
    std::uint64_t heardPosition() const { return sourceAt(outStream_); }

  private:
    // Stream frames [streamStart, streamStart + frames) are the call's [from, from + frames).
    struct Segment {
        std::uint64_t streamStart;
        std::uint64_t from;
        std::uint64_t frames;
    };
    FilteredSound(std::unique_ptr<SoundFilter> filter, const WaveFormat& format, double tempo,
                  std::uint64_t at);
    // Feeds the filter until `bytes` wait at its output, the call's end is fed, or nothing can
    // be read now. False when the filter failed.
    bool feed(SourceCursor& cursor, const SoundPlan& plan, std::size_t bytes);
    std::uint64_t sourceAt(double stream) const;

    std::unique_ptr<SoundFilter> filter_;
    FrameClock clock_;
    std::uint8_t silence_;
    double tempo_;
    std::uint64_t start_;
    std::uint64_t fedFrames_ = 0; // the call's frames fed: the stream's length
    double outStream_ = 0;        // the stream's place of what has come out (output frames x tempo)
    std::deque<Segment> segments_;
    std::vector<std::uint8_t> piece_;
};

} // namespace kestrum
