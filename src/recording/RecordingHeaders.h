#pragma once

// The three recording-header layouts. Every file's header begins with the same six bytes
// (name, version, scannedWordCount); the version byte chooses the layout:
//   Vrh  (216 bytes) versions 1 to 6,
//   Vrh2 (221 bytes) versions 7 and 8,
//   Vrh3 (351 bytes) versions 9 to 11, and the layout older headers are converted into.

#include "platform/BinaryLayout.h"
#include "recording/WaveFormat.h"

#include <array>
#include <cstdint>

namespace kestrum {

struct Vrh {
    static constexpr bool kIsRecord = true;

    std::array<char, 4> name{};
    std::uint8_t version = 0;
    std::uint8_t scannedWordCount = 0;
    std::array<char, 11> rid{};
    std::uint8_t recDay = 0;
    std::uint8_t recMonth = 0;
    std::int16_t recYear = 0;
    std::uint8_t recSecond = 0;
    std::uint8_t recMinute = 0;
    std::uint8_t recHour = 0;
    std::array<char, 36> lastName{};
    std::array<char, 16> firstName{};
    std::array<char, 17> destAni{};
    std::array<char, 32> system{};
    std::int8_t trunk = 0;
    std::uint8_t extra1 = 0;
    std::uint32_t site = 0;
    std::uint16_t extra3 = 0;
    std::uint32_t extra4 = 0;
    std::uint32_t extra5 = 0;
    WaveFormat audioFormat;
    std::uint32_t sourceFileSize = 0;
    std::uint32_t textLength = 0;
    std::array<char, 49> stationName{};

    template <class Self, class Visitor> static constexpr void fields(Self& h, Visitor&& v) {
        v("name", h.name);
        v("version", h.version);
        v("scannedWordCount", h.scannedWordCount);
        v("rid", h.rid);
        v("recDay", h.recDay);
        v("recMonth", h.recMonth);
        v("recYear", h.recYear);
        v("recSecond", h.recSecond);
        v("recMinute", h.recMinute);
        v("recHour", h.recHour);
        v("lastName", h.lastName);
        v("firstName", h.firstName);
        v("destAni", h.destAni);
        v("system", h.system);
        v("trunk", h.trunk);
        v("extra1", h.extra1);
        v("site", h.site);
        v("extra3", h.extra3);
        v("extra4", h.extra4);
        v("extra5", h.extra5);
        v("audioFormat", h.audioFormat);
        v("sourceFileSize", h.sourceFileSize);
        v("textLength", h.textLength);
        v("stationName", h.stationName);
    }
};
static_assert(layout::recordSize<Vrh>() == 216);

struct Vrh2 {
    static constexpr bool kIsRecord = true;

    std::array<char, 4> name{};
    std::uint8_t version = 0;
    std::uint8_t scannedWordCount = 0;
    std::array<char, 11> rid{};
    std::uint8_t recDay = 0;
    std::uint8_t recMonth = 0;
    std::int16_t recYear = 0;
    std::uint8_t recSecond = 0;
    std::uint8_t recMinute = 0;
    std::uint8_t recHour = 0;
    std::array<char, 36> lastName{};
    std::array<char, 16> firstName{};
    std::array<char, 20> destAni{};
    std::array<char, 31> system{};
    std::uint32_t stationNumber = 0;
    std::uint8_t extra1 = 0;
    std::uint32_t site = 0;
    std::uint16_t extra3 = 0;
    std::uint32_t extra4 = 0;
    std::uint32_t extra5 = 0;
    WaveFormat audioFormat;
    std::uint32_t sourceFileSize = 0;
    std::uint32_t textLength = 0;
    std::array<char, 49> stationName{};

    template <class Self, class Visitor> static constexpr void fields(Self& h, Visitor&& v) {
        v("name", h.name);
        v("version", h.version);
        v("scannedWordCount", h.scannedWordCount);
        v("rid", h.rid);
        v("recDay", h.recDay);
        v("recMonth", h.recMonth);
        v("recYear", h.recYear);
        v("recSecond", h.recSecond);
        v("recMinute", h.recMinute);
        v("recHour", h.recHour);
        v("lastName", h.lastName);
        v("firstName", h.firstName);
        v("destAni", h.destAni);
        v("system", h.system);
        v("stationNumber", h.stationNumber);
        v("extra1", h.extra1);
        v("site", h.site);
        v("extra3", h.extra3);
        v("extra4", h.extra4);
        v("extra5", h.extra5);
        v("audioFormat", h.audioFormat);
        v("sourceFileSize", h.sourceFileSize);
        v("textLength", h.textLength);
        v("stationName", h.stationName);
    }
};
static_assert(layout::recordSize<Vrh2>() == 221);

struct Vrh3 {
    static constexpr bool kIsRecord = true;

    std::array<char, 4> name{};
    std::uint8_t version = 0;
    std::uint8_t scannedWordCount = 0;
    std::array<char, 15> rid{};
    std::uint8_t recDay = 0;
    std::uint8_t recMonth = 0;
    std::int16_t recYear = 0;
    std::uint8_t recSecond = 0;
    std::uint8_t recMinute = 0;
    std::uint8_t recHour = 0;
    std::array<char, 31> system{};
    std::array<char, 36> lastName{};
    std::array<char, 16> middleName{};
    std::array<char, 16> firstName{};
    std::array<char, 20> destAni{};
    std::uint32_t stationNumber = 0;
    std::array<char, 49> stationName{};
    std::array<char, 20> stationAni{};
    std::int16_t trunk = 0;
    std::uint8_t extra1 = 0;
    std::uint32_t site = 0;
    std::uint32_t lu = 0;
    std::uint32_t extra2 = 0;
    std::uint16_t extra3 = 0;
    std::uint32_t extra4 = 0;
    std::uint32_t extra5 = 0;
    std::int32_t cost = 0;
    std::int16_t duration = 0;
    std::int16_t compCode = 0;
    std::int16_t route = 0;
    std::uint16_t sourceDataRate = 0;
    WaveFormat audioFormat;
    std::uint32_t sourceFileSize = 0;
    std::uint32_t textLength = 0;
    std::int8_t arcDay = 0;
    std::int8_t arcMonth = 0;
    std::int16_t arcYear = 0;
    std::uint8_t arcSecond = 0;
    std::uint8_t arcMinute = 0;
    std::uint8_t arcHour = 0;
    std::array<char, 31> archivedAt{};
    std::array<char, 30> archivedBy{};

    template <class Self, class Visitor> static constexpr void fields(Self& h, Visitor&& v) {
        v("name", h.name);
        v("version", h.version);
        v("scannedWordCount", h.scannedWordCount);
        v("rid", h.rid);
        v("recDay", h.recDay);
        v("recMonth", h.recMonth);
        v("recYear", h.recYear);
        v("recSecond", h.recSecond);
        v("recMinute", h.recMinute);
        v("recHour", h.recHour);
        v("system", h.system);
        v("lastName", h.lastName);
        v("middleName", h.middleName);
        v("firstName", h.firstName);
        v("destAni", h.destAni);
        v("stationNumber", h.stationNumber);
        v("stationName", h.stationName);
        v("stationAni", h.stationAni);
        v("trunk", h.trunk);
        v("extra1", h.extra1);
        v("site", h.site);
        v("lu", h.lu);
        v("extra2", h.extra2);
        v("extra3", h.extra3);
        v("extra4", h.extra4);
        v("extra5", h.extra5);
        v("cost", h.cost);
        v("duration", h.duration);
        v("compCode", h.compCode);
        v("route", h.route);
        v("sourceDataRate", h.sourceDataRate);
        v("audioFormat", h.audioFormat);
        v("sourceFileSize", h.sourceFileSize);
        v("textLength", h.textLength);
        v("arcDay", h.arcDay);
        v("arcMonth", h.arcMonth);
        v("arcYear", h.arcYear);
        v("arcSecond", h.arcSecond);
        v("arcMinute", h.arcMinute);
        v("arcHour", h.arcHour);
        v("archivedAt", h.archivedAt);
        v("archivedBy", h.archivedBy);
    }
};
static_assert(layout::recordSize<Vrh3>() == 351);

} // namespace kestrum
