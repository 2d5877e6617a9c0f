#pragma once

#include "platform/BinaryLayout.h"

#include <array>
#include <cstdint>

namespace kestrum {

// The 98-byte header that starts a recording copied onto an export list ("EXP").
// The recording header follows it at offset 98.
struct ExportHeader {
    static constexpr bool kIsRecord = true;

    std::array<char, 4> magic{};
    std::uint8_t exportFlag = 0;
    std::uint8_t reserved5 = 0;
    std::uint32_t headerCrc = 0;
    std::uint32_t textCrc = 0;
    std::uint32_t audioByteCount = 0;
    std::uint32_t audioCrc = 0;
    std::array<std::uint8_t, 8> reserved22{};
    std::uint8_t expDay = 0;
    std::uint8_t expMonth = 0;
    std::int16_t expYear = 0;
    std::uint8_t expSecond = 0;
    std::uint8_t expMinute = 0;
    std::uint8_t expHour = 0;
    std::array<char, 31> exportComputer{};
    std::array<char, 30> exportUser{};

    template <class Self, class Visitor> static constexpr void fields(Self& h, Visitor&& v) {
        v("magic", h.magic);
        v("exportFlag", h.exportFlag);
        v("reserved5", h.reserved5);
        v("headerCrc", h.headerCrc);
        v("textCrc", h.textCrc);
        v("audioByteCount", h.audioByteCount);
        v("audioCrc", h.audioCrc);
        v("reserved22", h.reserved22);
        v("expDay", h.expDay);
        v("expMonth", h.expMonth);
        v("expYear", h.expYear);
        v("expSecond", h.expSecond);
        v("expMinute", h.expMinute);
        v("expHour", h.expHour);
        v("exportComputer", h.exportComputer);
        v("exportUser", h.exportUser);
    }
};
static_assert(layout::recordSize<ExportHeader>() == 98);

inline constexpr std::size_t kExportHeaderSize = layout::recordSize<ExportHeader>();

} // namespace kestrum
