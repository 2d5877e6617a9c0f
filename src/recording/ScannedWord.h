#pragma once

#include "platform/BinaryLayout.h"

#include <array>
#include <cstdint>

namespace kestrum {

// One keyword ("scanned word") with up to ten byte offsets into the audio; 0 ends the list.
struct ScannedWord {
    static constexpr bool kIsRecord = true;

    std::array<char, 20> word{};
    std::array<std::uint32_t, 10> positions{};

    template <class Self, class Visitor> static constexpr void fields(Self& w, Visitor&& v) {
        v("word", w.word);
        v("positions", w.positions);
    }
};
static_assert(layout::recordSize<ScannedWord>() == 60);

inline constexpr std::size_t kScannedWordSize = layout::recordSize<ScannedWord>();
inline constexpr std::size_t kMaxScannedWords = 255;
inline constexpr std::size_t kMaxKeywordLength = 19;

} // namespace kestrum
