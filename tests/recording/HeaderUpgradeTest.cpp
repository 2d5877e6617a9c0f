// Converting older headers into the 351-byte layout, and applying command-line header values.

#include "recording/HeaderUpgrade.h"
#include "recording/FieldText.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

Vrh sampleVrh(int version) {
    Vrh h;
    setFieldText(h.name, "ZOQ");
    h.version = static_cast<std::uint8_t>(version);
    h.scannedWordCount = 3;
    setFieldText(h.rid, "ABC123");
    h.recDay = 5;
    h.recMonth = 3;
    h.recYear = 2004;
    h.recSecond = 2;
    h.recMinute = 7;
    h.recHour = 9;
    setFieldText(h.lastName, "Smith");
    setFieldText(h.firstName, "John");
    setFieldText(h.destAni, "5551234567890123"); // 16 characters in a 17-byte field
    h.system.fill('S');                          // 32 characters with no terminator
    h.trunk = -5;
    h.extra1 = 0xA1;
    h.site = 42;
    h.extra3 = 0xBEEF;
    h.extra4 = 0x01020304;
    h.extra5 = 0x05060708;
    h.audioFormat = {34, 1, 8000, 1067, 32, 1, 32};
    h.sourceFileSize = 5000;
    h.textLength = 77;
    setFieldText(h.stationName, "Block A");
    return h;
}

Vrh2 sampleVrh2(int version) {
    Vrh2 h;
    setFieldText(h.name, "ZOQ");
    h.version = static_cast<std::uint8_t>(version);
    h.scannedWordCount = 2;
    setFieldText(h.rid, "XY9");
    h.recYear = 1999;
    setFieldText(h.destAni, "1234567890123456789"); // fills the 20-byte field
    setFieldText(h.system, "SYSTEM-TWO");
    h.stationNumber = 314;
    h.site = 9;
    h.sourceFileSize = 100;
    h.textLength = 12;
    setFieldText(h.stationName, "Block B");
    return h;
}

TEST(HeaderUpgrade, ConvertsAVersion1To6HeaderFieldByField) {
    const Vrh vrh = sampleVrh(5);
    Vrh2 vrh2;
    Vrh3 vrh3;
    vrh3.lu = 99; // every field not taken from the old header is cleared
    ASSERT_EQ(upgradeHeader(&vrh, &vrh2, &vrh3, {}), 0);

    EXPECT_EQ(fieldText(vrh3.name), "ZOQ");
    EXPECT_EQ(vrh3.version, 11);
    EXPECT_EQ(vrh3.scannedWordCount, 3);
    EXPECT_EQ(fieldText(vrh3.rid), "ABC123");
    EXPECT_EQ(vrh3.recDay, 5);
    EXPECT_EQ(vrh3.recMonth, 3);
    EXPECT_EQ(vrh3.recYear, 2004);
    EXPECT_EQ(vrh3.recSecond, 2);
    EXPECT_EQ(vrh3.recMinute, 7);
    EXPECT_EQ(vrh3.recHour, 9);
    EXPECT_EQ(fieldText(vrh3.lastName), "Smith");
    EXPECT_EQ(fieldText(vrh3.firstName), "John");
    EXPECT_EQ(fieldText(vrh3.destAni), "5551234567890123");
    EXPECT_EQ(fieldText(vrh3.system), std::string(30, 'S')); // cut to 30 characters
    EXPECT_EQ(vrh3.trunk, -5);                               // sign-extended
    EXPECT_EQ(vrh3.stationNumber, 0u);
    EXPECT_EQ(vrh3.extra1, 0xA1);
    EXPECT_EQ(vrh3.site, 42u);
    EXPECT_EQ(vrh3.extra3, 0xBEEF);
    EXPECT_EQ(vrh3.extra4, 0x01020304u);
    EXPECT_EQ(vrh3.extra5, 0x05060708u);
    EXPECT_EQ(vrh3.audioFormat, vrh.audioFormat);
    EXPECT_EQ(vrh3.sourceDataRate, 8000);
    EXPECT_EQ(vrh3.sourceFileSize, 5135u);
    EXPECT_EQ(vrh3.textLength, 77u);
    EXPECT_EQ(fieldText(vrh3.stationName), "Block A");
    EXPECT_EQ(vrh3.lu, 0u);
    EXPECT_EQ(vrh3.cost, 0);
    EXPECT_EQ(vrh3.arcMonth, 0);
    EXPECT_EQ(fieldText(vrh3.middleName), "");
}

TEST(HeaderUpgrade, ConvertsAVersion7Or8HeaderWithItsStationNumberAndNoTrunk) {
    const Vrh vrh = sampleVrh(7); // vrh holds the first 216 bytes: only its version is used
    const Vrh2 vrh2 = sampleVrh2(7);
    Vrh3 vrh3;
    ASSERT_EQ(upgradeHeader(&vrh, &vrh2, &vrh3, {}), 0);
    EXPECT_EQ(vrh3.version, 10);
    EXPECT_EQ(vrh3.scannedWordCount, 2);
    EXPECT_EQ(fieldText(vrh3.rid), "XY9");
    EXPECT_EQ(vrh3.recYear, 1999);
    EXPECT_EQ(fieldText(vrh3.destAni), "1234567890123456789");
    EXPECT_EQ(fieldText(vrh3.system), "SYSTEM-TWO");
    EXPECT_EQ(vrh3.stationNumber, 314u);
    EXPECT_EQ(vrh3.trunk, 0);
    EXPECT_EQ(vrh3.sourceFileSize, 235u); // + 135 for this layout too
    EXPECT_EQ(vrh3.textLength, 12u);
    EXPECT_EQ(fieldText(vrh3.stationName), "Block B");
}

TEST(HeaderUpgrade, CompressedVersionsBecome10AndTheOthers11) {
    for (int version = 1; version <= 8; ++version) {
        const Vrh vrh = sampleVrh(version);
        const Vrh2 vrh2 = sampleVrh2(version);
        Vrh3 vrh3;
        upgradeHeader(&vrh, &vrh2, &vrh3, {});
        EXPECT_EQ(vrh3.version, version == 4 || version == 7 ? 10 : 11) << "version " << version;
    }
}

TEST(HeaderUpgrade, VersionsFrom9KeepTheirHeaderAndOnlyTakeTheCommandLineValues) {
    const Vrh vrh = sampleVrh(9);
    Vrh2 vrh2;
    Vrh3 vrh3;
    vrh3.version = 9;
    vrh3.lu = 77;
    vrh3.sourceFileSize = 400;
    HeaderOverrides values;
    values.cost = 1234;
    ASSERT_EQ(upgradeHeader(&vrh, &vrh2, &vrh3, values), 0);
    EXPECT_EQ(vrh3.version, 9);
    EXPECT_EQ(vrh3.lu, 77u);
    EXPECT_EQ(vrh3.sourceFileSize, 400u);
    EXPECT_EQ(vrh3.cost, 1234);
}

TEST(HeaderUpgrade, AppliesEachCommandLineValueOnlyWhenUsable) {
    Vrh3 vrh3;
    vrh3.recDay = 1;
    vrh3.recMonth = 2;
    vrh3.recYear = 2003;
    vrh3.recSecond = 4;
    vrh3.recMinute = 5;
    vrh3.recHour = 6;
    vrh3.cost = 7;
    vrh3.duration = 8;
    vrh3.compCode = 9;
    vrh3.route = 10;
    vrh3.extra2 = 11;
    const Vrh3 before = vrh3;

    applyHeaderOverrides(vrh3, HeaderOverrides{}); // -1 everywhere and extra2 0: nothing changes
    EXPECT_EQ(layout::encode(vrh3), layout::encode(before));

    HeaderOverrides zeros;
    zeros.day = zeros.month = zeros.year = 0; // not applied: 0 is no date
    zeros.second = zeros.minute = zeros.hour = 0;
    zeros.cost = zeros.duration = zeros.compCode = zeros.route = 0;
    applyHeaderOverrides(vrh3, zeros);
    EXPECT_EQ(vrh3.recDay, 1);
    EXPECT_EQ(vrh3.recMonth, 2);
    EXPECT_EQ(vrh3.recYear, 2003);
    EXPECT_EQ(vrh3.recSecond, 0);
    EXPECT_EQ(vrh3.recMinute, 0);
    EXPECT_EQ(vrh3.recHour, 0);
    EXPECT_EQ(vrh3.cost, 0);
    EXPECT_EQ(vrh3.duration, 0);
    EXPECT_EQ(vrh3.compCode, 0);
    EXPECT_EQ(vrh3.route, 0);
    EXPECT_EQ(vrh3.extra2, 11u);

    HeaderOverrides given{31, 12, 2100, 59, 58, 23, 123456, 70000, 99, 999, -3};
    applyHeaderOverrides(vrh3, given);
    EXPECT_EQ(vrh3.recDay, 31);
    EXPECT_EQ(vrh3.recMonth, 12);
    EXPECT_EQ(vrh3.recYear, 2100);
    EXPECT_EQ(vrh3.recSecond, 59);
    EXPECT_EQ(vrh3.recMinute, 58);
    EXPECT_EQ(vrh3.recHour, 23);
    EXPECT_EQ(vrh3.cost, 123456);
    EXPECT_EQ(vrh3.duration, static_cast<std::int16_t>(70000)); // stored in the field's width
    EXPECT_EQ(vrh3.compCode, 99);
    EXPECT_EQ(vrh3.route, 999);
    EXPECT_EQ(vrh3.extra2, static_cast<std::uint32_t>(-3));
}

TEST(HeaderUpgrade, RefusesAMissingHeader) {
    Vrh vrh;
    Vrh2 vrh2;
    Vrh3 vrh3;
    EXPECT_EQ(upgradeHeader(nullptr, &vrh2, &vrh3, {}), 1);
    EXPECT_EQ(upgradeHeader(&vrh, nullptr, &vrh3, {}), 1);
    EXPECT_EQ(upgradeHeader(&vrh, &vrh2, nullptr, {}), 1);
}

} // namespace
} // namespace kestrum
