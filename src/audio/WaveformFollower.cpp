#include "audio/WaveformFollower.h"

namespace kestrum {

void WaveformFollower::follow(std::uint64_t frame, bool atEnd) {
    if (!display_.isVisible())
        return;
    skipNext_ = scale_ >= 0.3 ? !skipNext_ : false;
    if (atEnd)
        skipNext_ = false;
    if (skipNext_)
        return;
    const double halfSpan = (scale_ * 100 + 1) * 0.05;
    const double centre = framesPerSecond_ > 0 ? static_cast<double>(frame) / framesPerSecond_ : 0.0;
    const double minimum = centre - halfSpan;
    const double maximum = centre + halfSpan;
    display_.showSpan(minimum, maximum, minimum + (maximum - minimum) * 0.5);
}

} // namespace kestrum
