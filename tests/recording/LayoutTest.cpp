// The binary layouts against their documented offsets, and reading/writing at those offsets.

#include "app/InitRecord.h"
#include "recording/ExportCrc.h"
#include "recording/ExportHeader.h"
#include "recording/RecordingHeaders.h"
#include "recording/ScannedWord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrum {
namespace {

struct FieldPlace {
    std::string name;
    std::size_t offset;
    std::size_t size;
    bool operator==(const FieldPlace&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FieldPlace& f) {
    return out << f.name << "@" << f.offset << "+" << f.size;
}

// Records where each top-level field lands.
struct PlaceRecorder {
    std::vector<FieldPlace> places;
    std::size_t offset = 0;

    template <class T> void operator()(const char* name, const T& value) {
        layout::SizeCounter counter;
        counter(name, value);
        places.push_back({name, offset, counter.size});
        offset += counter.size;
    }
};

template <class T> std::vector<FieldPlace> placesOf() {
    PlaceRecorder recorder;
    const T record{};
    T::fields(record, recorder);
    return recorder.places;
}

TEST(Layout, Vrh3FieldsStandAtTheirOffsets) {
    const std::vector<FieldPlace> expected = {
        {"name", 0, 4},
        {"version", 4, 1},
        {"scannedWordCount", 5, 1},
        {"rid", 6, 15},
        {"recDay", 21, 1},
        {"recMonth", 22, 1},
        {"recYear", 23, 2},
        {"recSecond", 25, 1},
        {"recMinute", 26, 1},
        {"recHour", 27, 1},
        {"system", 28, 31},
        {"lastName", 59, 36},
        {"middleName", 95, 16},
        {"firstName", 111, 16},
        {"destAni", 127, 20},
        {"stationNumber", 147, 4},
        {"stationName", 151, 49},
        {"stationAni", 200, 20},
        {"trunk", 220, 2},
        {"extra1", 222, 1},
        {"site", 223, 4},
        {"lu", 227, 4},
        {"extra2", 231, 4},
        {"extra3", 235, 2},
        {"extra4", 237, 4},
        {"extra5", 241, 4},
        {"cost", 245, 4},
        {"duration", 249, 2},
        {"compCode", 251, 2},
        {"route", 253, 2},
        {"sourceDataRate", 255, 2},
        {"audioFormat", 257, 18},
        {"sourceFileSize", 275, 4},
        {"textLength", 279, 4},
        {"arcDay", 283, 1},
        {"arcMonth", 284, 1},
        {"arcYear", 285, 2},
        {"arcSecond", 287, 1},
        {"arcMinute", 288, 1},
        {"arcHour", 289, 1},
        {"archivedAt", 290, 31},
        {"archivedBy", 321, 30},
    };
    EXPECT_EQ(placesOf<Vrh3>(), expected);
}

TEST(Layout, VrhFieldsStandAtTheirOffsets) {
    const std::vector<FieldPlace> expected = {
        {"name", 0, 4},
        {"version", 4, 1},
        {"scannedWordCount", 5, 1},
        {"rid", 6, 11},
        {"recDay", 17, 1},
        {"recMonth", 18, 1},
        {"recYear", 19, 2},
        {"recSecond", 21, 1},
        {"recMinute", 22, 1},
        {"recHour", 23, 1},
        {"lastName", 24, 36},
        {"firstName", 60, 16},
        {"destAni", 76, 17},
        {"system", 93, 32},
        {"trunk", 125, 1},
        {"extra1", 126, 1},
        {"site", 127, 4},
        {"extra3", 131, 2},
        {"extra4", 133, 4},
        {"extra5", 137, 4},
        {"audioFormat", 141, 18},
        {"sourceFileSize", 159, 4},
        {"textLength", 163, 4},
        {"stationName", 167, 49},
    };
    EXPECT_EQ(placesOf<Vrh>(), expected);
}

TEST(Layout, Vrh2FieldsStandAtTheirOffsets) {
    const std::vector<FieldPlace> expected = {
        {"name", 0, 4},
        {"version", 4, 1},
        {"scannedWordCount", 5, 1},
        {"rid", 6, 11},
        {"recDay", 17, 1},
        {"recMonth", 18, 1},
        {"recYear", 19, 2},
        {"recSecond", 21, 1},
        {"recMinute", 22, 1},
        {"recHour", 23, 1},
        {"lastName", 24, 36},
        {"firstName", 60, 16},
        {"destAni", 76, 20},
        {"system", 96, 31},
        {"stationNumber", 127, 4},
        {"extra1", 131, 1},
        {"site", 132, 4},
        {"extra3", 136, 2},
        {"extra4", 138, 4},
        {"extra5", 142, 4},
        {"audioFormat", 146, 18},
        {"sourceFileSize", 164, 4},
        {"textLength", 168, 4},
        {"stationName", 172, 49},
    };
    EXPECT_EQ(placesOf<Vrh2>(), expected);
}

TEST(Layout, ExportHeaderAndScannedWordFieldsStandAtTheirOffsets) {
    const std::vector<FieldPlace> edh = {
        {"magic", 0, 4},      {"exportFlag", 4, 1},      {"reserved5", 5, 1},        {"headerCrc", 6, 4},
        {"textCrc", 10, 4},   {"audioByteCount", 14, 4}, {"audioCrc", 18, 4},        {"reserved22", 22, 8},
        {"expDay", 30, 1},    {"expMonth", 31, 1},       {"expYear", 32, 2},         {"expSecond", 34, 1},
        {"expMinute", 35, 1}, {"expHour", 36, 1},        {"exportComputer", 37, 31}, {"exportUser", 68, 30},
    };
    EXPECT_EQ(placesOf<ExportHeader>(), edh);
    const std::vector<FieldPlace> word = {{"word", 0, 20}, {"positions", 20, 40}};
    EXPECT_EQ(placesOf<ScannedWord>(), word);
}

TEST(Layout, WaveFormatAndInitRecordFieldsStandAtTheirOffsets) {
    const std::vector<FieldPlace> wave = {
        {"tag", 0, 2},         {"channels", 2, 2},       {"samplesPerSec", 4, 4}, {"avgBytesPerSec", 8, 4},
        {"blockAlign", 12, 2}, {"bitsPerSample", 14, 2}, {"extraSize", 16, 2},
    };
    EXPECT_EQ(placesOf<WaveFormat>(), wave);
    const std::vector<FieldPlace> init = placesOf<InitRecord>();
    ASSERT_EQ(init.size(), 23u);
    EXPECT_EQ(init[14], (FieldPlace{"waveformKnobPosition", 56, 8}));
    EXPECT_EQ(init[15], (FieldPlace{"existingCommentsHeight", 64, 4}));
    EXPECT_EQ(init[21], (FieldPlace{"playSpeedPosition", 88, 4}));
    EXPECT_EQ(init[22], (FieldPlace{"reserved92", 92, 4}));
}

TEST(Layout, FieldsAreLittleEndianAndSignedWhereSigned) {
    layout::Bytes<Vrh3> bytes{};
    bytes[220] = 0xFE; // trunk = -2
    bytes[221] = 0xFF;
    bytes[223] = 0x01; // site = 0x04030201 at an odd offset
    bytes[224] = 0x02;
    bytes[225] = 0x03;
    bytes[226] = 0x04;
    bytes[245] = 0x9C; // cost = -100
    bytes[246] = 0xFF;
    bytes[247] = 0xFF;
    bytes[248] = 0xFF;
    bytes[284] = 0xFF; // arcMonth = -1
    bytes[257] = 0x22; // audioFormat.tag = 34
    bytes[261] = 0x40; // audioFormat.samplesPerSec = 0x1F40 = 8000
    bytes[262] = 0x1F;
    const Vrh3 header = layout::decode<Vrh3>(bytes);
    EXPECT_EQ(header.trunk, -2);
    EXPECT_EQ(header.site, 0x04030201u);
    EXPECT_EQ(header.cost, -100);
    EXPECT_EQ(header.arcMonth, -1);
    EXPECT_EQ(header.audioFormat.tag, 34);
    EXPECT_EQ(header.audioFormat.samplesPerSec, 8000u);
    EXPECT_EQ(layout::encode(header), bytes);
}

TEST(Layout, EveryByteSurvivesADecodeAndEncode) {
    // Bytes after a text's terminator and reserved bytes are carried unchanged.
    layout::Bytes<Vrh3> vrh3{};
    layout::Bytes<ExportHeader> edh{};
    layout::Bytes<Vrh> vrh{};
    for (std::size_t i = 0; i < vrh3.size(); ++i)
        vrh3[i] = static_cast<std::uint8_t>(i * 7 + 3);
    for (std::size_t i = 0; i < edh.size(); ++i)
        edh[i] = static_cast<std::uint8_t>(i * 5 + 1);
    for (std::size_t i = 0; i < vrh.size(); ++i)
        vrh[i] = static_cast<std::uint8_t>(i * 3 + 2);
    EXPECT_EQ(layout::encode(layout::decode<Vrh3>(vrh3)), vrh3);
    EXPECT_EQ(layout::encode(layout::decode<ExportHeader>(edh)), edh);
    EXPECT_EQ(layout::encode(layout::decode<Vrh>(vrh)), vrh);
}

TEST(ExportCrc, MatchesTheReflectedCrcStartedAtZeroWithoutInversion) {
    const std::string abc = "abc";
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size());
    EXPECT_EQ(exportCrc(bytes), 0xCA6598D0u);
    EXPECT_EQ(exportCrc({}), 0u);
    // A running value continues across blocks.
    EXPECT_EQ(exportCrc(bytes.subspan(1), exportCrc(bytes.first(1))), 0xCA6598D0u);
}

} // namespace
} // namespace kestrum
