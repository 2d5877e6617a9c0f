#pragma once

#include "platform/BinaryLayout.h"

#include <cstdint>

namespace kestrum {

// The 96-byte init file: window placement, open side windows and slider settings kept between runs.
struct InitRecord {
    static constexpr bool kIsRecord = true;

    std::int32_t newCommentsHeight = 0;
    std::int32_t newCommentsLeft = 0;
    std::int32_t newCommentsTop = 0;
    std::int32_t newCommentsWidth = 0;
    std::int32_t keywordHeight = 0;
    std::int32_t keywordLeft = 0;
    std::int32_t keywordTop = 0;
    std::int32_t keywordWidth = 0;
    std::int32_t newCommentsOpen = 0;
    std::int32_t keywordOpen = 0;
    std::int32_t waveformOpen = 0;
    std::int32_t waveformTop = 0;
    std::int32_t waveformLeft = 0;
    std::int32_t reserved52 = 0;
    double waveformKnobPosition = 0.0; // 0 to 100
    std::int32_t existingCommentsHeight = 0;
    std::int32_t existingCommentsLeft = 0;
    std::int32_t existingCommentsTop = 0;
    std::int32_t existingCommentsWidth = 0;
    std::int32_t existingCommentsOpen = 0;
    std::int32_t stepSizePosition = 0;
    std::int32_t playSpeedPosition = 0;
    std::int32_t reserved92 = 0;

    template <class Self, class Visitor> static constexpr void fields(Self& r, Visitor&& v) {
        v("newCommentsHeight", r.newCommentsHeight);
        v("newCommentsLeft", r.newCommentsLeft);
        v("newCommentsTop", r.newCommentsTop);
        v("newCommentsWidth", r.newCommentsWidth);
        v("keywordHeight", r.keywordHeight);
        v("keywordLeft", r.keywordLeft);
        v("keywordTop", r.keywordTop);
        v("keywordWidth", r.keywordWidth);
        v("newCommentsOpen", r.newCommentsOpen);
        v("keywordOpen", r.keywordOpen);
        v("waveformOpen", r.waveformOpen);
        v("waveformTop", r.waveformTop);
        v("waveformLeft", r.waveformLeft);
        v("reserved52", r.reserved52);
        v("waveformKnobPosition", r.waveformKnobPosition);
        v("existingCommentsHeight", r.existingCommentsHeight);
        v("existingCommentsLeft", r.existingCommentsLeft);
        v("existingCommentsTop", r.existingCommentsTop);
        v("existingCommentsWidth", r.existingCommentsWidth);
        v("existingCommentsOpen", r.existingCommentsOpen);
        v("stepSizePosition", r.stepSizePosition);
        v("playSpeedPosition", r.playSpeedPosition);
        v("reserved92", r.reserved92);
    }

    bool operator==(const InitRecord&) const = default;
};
static_assert(layout::recordSize<InitRecord>() == 96);

} // namespace kestrum
