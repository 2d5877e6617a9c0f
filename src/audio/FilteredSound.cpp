#include "audio/FilteredSound.h"

#include "audio/SoundOutput.h"

#include <algorithm>
#include <cmath>

namespace kestrum {

namespace {

// Silence fed after the call's last frame before the end of input: the time-stretcher gives up the
// last of its input only when more follows it. What comes out of the silence is not played.
constexpr double kFlushSeconds = 0.5;

} // namespace

std::unique_ptr<FilteredSound> FilteredSound::open(const WaveFormat& format, const SoundFilterChoice& choice,
                                                   double tempo, std::uint64_t at, std::string& error) {
    std::unique_ptr<SoundFilter> filter = SoundFilter::open(format, choice, tempo, error);
    if (!filter)
        return nullptr;
    return std::unique_ptr<FilteredSound>(new FilteredSound(std::move(filter), format, tempo, at));
}

FilteredSound::FilteredSound(std::unique_ptr<SoundFilter> filter, const WaveFormat& format, double tempo,
                             std::uint64_t at)
    : filter_(std::move(filter)), clock_(format), silence_(silenceByte(format)), tempo_(tempo), start_(at),
      // Fed in pieces of about 30 ms.
      piece_(clock_.bytesOf(std::max<std::uint32_t>(1, clock_.framesPerSecond() / 32))) {}

void FilteredSound::setTempo(double tempo) {
    tempo_ = tempo;
    filter_->setTempo(tempo);
}

bool FilteredSound::feed(SourceCursor& cursor, const SoundPlan& plan, std::size_t bytes) {
    const std::uint64_t pieceFrames = clock_.framesIn(piece_.size());
    while (filter_->queuedBytes() < bytes && !filter_->finished()) {
        std::uint64_t from = 0;
        const std::uint64_t read = cursor.read(plan, piece_.data(), pieceFrames, from);
        if (read == 0) {
            if (!cursor.atEnd(plan))
                return true; // the loader has not got there yet (or a loop over nothing)
            std::fill(piece_.begin(), piece_.end(), silence_);
            for (auto flushed = static_cast<std::uint64_t>(kFlushSeconds * clock_.framesPerSecond());
                 flushed > 0; flushed -= std::min(flushed, pieceFrames))
                if (!filter_->push({piece_.data(), clock_.bytesOf(std::min(flushed, pieceFrames))}))
                    return false;
            filter_->finish();
            return true;
        }
        if (!filter_->push({piece_.data(), clock_.bytesOf(read)}))
            return false;
        segments_.push_back({fedFrames_, from, read});
        fedFrames_ += read;
    }
    return true;
}

long FilteredSound::render(SourceCursor& cursor, const SoundPlan& plan, std::uint8_t* to,
                           std::uint64_t frames, std::uint64_t& heardFrom, std::uint64_t& heardTo,
                           bool& ended) {
    ended = false;
    if (!feed(cursor, plan, clock_.bytesOf(frames)))
        return -1;
    // No more than what went in: what the flushing silence makes is not the call's.
    const double left = static_cast<double>(fedFrames_) - outStream_;
    const auto most = static_cast<std::uint64_t>(std::max(0.0, std::floor(left / tempo_ + 1e-6)));
    const std::size_t taken = filter_->take({to, clock_.bytesOf(std::min(frames, most))});
    const std::uint64_t out = clock_.framesIn(taken);
    heardFrom = sourceAt(outStream_);
    outStream_ = std::min(outStream_ + static_cast<double>(out) * tempo_, static_cast<double>(fedFrames_));
    heardTo = sourceAt(outStream_);
    while (segments_.size() > 1 && static_cast<double>(segments_[1].streamStart) <= outStream_)
        segments_.pop_front();
    ended = out == 0 && filter_->finished();
    return static_cast<long>(out);
}

std::uint64_t FilteredSound::sourceAt(double stream) const {
    if (segments_.empty())
        return start_;
    auto segment = segments_.begin();
    while (segment + 1 != segments_.end() && static_cast<double>((segment + 1)->streamStart) <= stream)
        ++segment;
    const double into = std::clamp(stream - static_cast<double>(segment->streamStart), 0.0,
                                   static_cast<double>(segment->frames));
    return segment->from + static_cast<std::uint64_t>(std::llround(into));
}

} // namespace kestrum
