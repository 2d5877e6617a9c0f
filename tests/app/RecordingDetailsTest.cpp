// The player window's detail lines for each header family, and its button modes.

#include "app/RecordingDetails.h"
#include "app/ButtonModes.h"
#include "recording/FieldText.h"
#include "support/RecordingBuilder.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

// A recording state as the reader leaves it for a header of `version`.
RecordingState recordingOf(int version) {
    const test::RecordingBuilder builder(version);
    RecordingState rec;
    rec.vrh = builder.vrh;
    rec.vrh2 = builder.vrh2;
    rec.vrh3 = builder.vrh3;
    return rec;
}

TEST(RecordingDetails, Versions1To6ShowTheTrunkAndNoStation) {
    RecordingState rec = recordingOf(5);
    rec.vrh.trunk = -3;
    const RecordingDetails lines = recordingDetails(rec, {});
    EXPECT_EQ(lines.identifier, "Rid:  RID123");
    EXPECT_EQ(lines.recorded, "Recorded:  3/05/2004   9:07:02");
    EXPECT_EQ(lines.firstName, "First Name:  John");
    EXPECT_EQ(lines.lastName, "Last Name:  Smith");
    EXPECT_EQ(lines.trunkDestination, "Trunk:  -3   Destination ANI:  5551234");
    EXPECT_EQ(lines.site, "Recorded By Site Number 7   System:  SYS1");
    EXPECT_EQ(lines.stationName, "Station Name:  Block A");
    EXPECT_EQ(lines.stationAni, "");
    EXPECT_EQ(lines.cost, "");
    EXPECT_EQ(lines.archivedDate, "");
}

TEST(RecordingDetails, Versions7And8ShowTheStationNumberAndNoTrunk) {
    RecordingState rec = recordingOf(8);
    rec.vrh2.stationNumber = 314;
    Options options;
    options.ridLabel = "Id";
    const RecordingDetails lines = recordingDetails(rec, options);
    EXPECT_EQ(lines.identifier, "Id:  RID123");
    EXPECT_EQ(lines.trunkDestination, "Destination ANI:  5551234");
    EXPECT_EQ(lines.site, "Recorded By Site Number 7   Sta:  314   System:  SYS1");
    EXPECT_EQ(lines.recorded, "Recorded:  3/05/2004   9:07:02");
}

TEST(RecordingDetails, Versions9To11ShowEverythingTheirHeaderHolds) {
    RecordingState rec = recordingOf(11);
    Vrh3& h = rec.vrh3;
    setFieldText(h.middleName, "Q");
    h.trunk = -300;
    h.lu = 4;
    h.stationNumber = 0;
    setFieldText(h.stationAni, "5550100");
    h.cost = -1;
    h.duration = 125;
    h.compCode = 0;
    setFieldText(h.archivedBy, "archivist");
    setFieldText(h.archivedAt, "VAULT");
    h.arcMonth = 12;
    h.arcDay = 24;
    h.arcYear = 2005;
    h.arcHour = 7;
    h.arcMinute = 5;
    h.arcSecond = 9;
    const RecordingDetails lines = recordingDetails(rec, {});
    EXPECT_EQ(lines.recorded, "Recorded:  3/05/2004   09:07:02");
    EXPECT_EQ(lines.firstName, "First Name:  John   Middle Name:  Q");
    EXPECT_EQ(lines.trunkDestination, "Trunk:  -300   Destination ANI:  5551234");
    EXPECT_EQ(lines.site, "Recorded By Site Number 7,4   System:  SYS1");
    EXPECT_EQ(lines.stationAni, "Station ANI:  5550100");
    EXPECT_EQ(lines.cost, "Duration:  2:05   Completion Code:  0");
    EXPECT_EQ(lines.archivedBy, "Archived By:  archivist");
    EXPECT_EQ(lines.archivedAt, "Archived At:  VAULT");
    EXPECT_EQ(lines.archivedDate, "Archived:  12/24/2005  7:05:09");

    h.stationNumber = 22;
    h.cost = 1234;
    h.duration = -1;
    h.compCode = -1;
    EXPECT_EQ(recordingDetails(rec, {}).site, "Recorded By Site Number 7,4   Sta:  22   System:  SYS1");
    EXPECT_EQ(recordingDetails(rec, {}).cost, "Cost:  12.34   ");
    h.cost = 5;
    EXPECT_EQ(recordingDetails(rec, {}).cost, "Cost:  0.05   ");
    h.cost = -1;
    EXPECT_EQ(recordingDetails(rec, {}).cost, "");

    // On a disc the archive lines stay empty; a month of 0 or less is no archive date.
    Options viewer;
    viewer.viewerMode = true;
    const RecordingDetails onDisc = recordingDetails(rec, viewer);
    EXPECT_EQ(onDisc.archivedBy, "");
    EXPECT_EQ(onDisc.archivedAt, "");
    EXPECT_EQ(onDisc.archivedDate, "");
    h.arcMonth = -1;
    EXPECT_EQ(recordingDetails(rec, {}).archivedDate, "");
}

TEST(RecordingDetails, TheCommandLineDateAndTimeReplaceTheRecordedLineOnlyTogether) {
    const RecordingState rec = recordingOf(4);
    Options options;
    options.recordedDateText = "12/1/2003";
    EXPECT_EQ(recordingDetails(rec, options).recorded, "Recorded:  3/05/2004   9:07:02");
    options.recordedTimeText = "10:11 PM";
    EXPECT_EQ(recordingDetails(rec, options).recorded, "Recorded:  12/1/2003   10:11 PM");
}

TEST(ButtonModes, TheKeywordButtonIsEnabledOnlyForVersionsThatCarryKeywords) {
    Options options;
    options.keywordMode = KeywordMode::Enabled;
    for (int version = 1; version <= 11; ++version) {
        const ButtonModes modes = buttonModes(version, options, {});
        EXPECT_TRUE(modes.scannedWordsVisible);
        EXPECT_EQ(modes.scannedWordsEnabled, version >= 5 && version != 7) << version;
    }
    options.keywordMode = KeywordMode::Disabled;
    EXPECT_FALSE(buttonModes(8, options, {}).scannedWordsEnabled);
    options.keywordMode = KeywordMode::Hidden;
    EXPECT_FALSE(buttonModes(8, options, {}).scannedWordsVisible);

    WindowOpenFlags open;
    open.keywords = true;
    options.keywordMode = KeywordMode::Enabled;
    EXPECT_TRUE(buttonModes(8, options, open).showKeywords);
    EXPECT_FALSE(buttonModes(7, options, open).showKeywords);
}

TEST(ButtonModes, CommentAndExportModes) {
    WindowOpenFlags open;
    open.newComments = open.existingComments = true;
    Options options;
    EXPECT_FALSE(buttonModes(10, options, open).textVisible);
    options.commentMode = CommentMode::Disabled;
    ButtonModes modes = buttonModes(10, options, open);
    EXPECT_TRUE(modes.textVisible);
    EXPECT_FALSE(modes.textEnabled);
    EXPECT_FALSE(modes.showExistingComments);
    options.commentMode = CommentMode::ReadExisting;
    modes = buttonModes(10, options, open);
    EXPECT_TRUE(modes.textEnabled);
    EXPECT_TRUE(modes.showExistingComments);
    EXPECT_FALSE(modes.showNewComments);
    options.commentMode = CommentMode::AddNew;
    EXPECT_TRUE(buttonModes(10, options, open).showNewComments);

    options.exportMode = ExportMode::Disabled;
    modes = buttonModes(10, options, open);
    EXPECT_TRUE(modes.exportVisible);
    EXPECT_FALSE(modes.exportEnabled);
    options.exportMode = ExportMode::Enabled;
    EXPECT_TRUE(buttonModes(10, options, open).exportEnabled);
}

TEST(ButtonModes, OnlySystemsOutsideTheNtFamilyLowerTheModes) {
    Options options;
    options.commentMode = CommentMode::AddNew;
    options.exportMode = ExportMode::Enabled;
    options.exportVariant = ExportVariant::ExportList;
    adjustModesForPlatform(options, 2);
    EXPECT_EQ(options.commentMode, CommentMode::AddNew);
    EXPECT_EQ(options.exportMode, ExportMode::Enabled);
    adjustModesForPlatform(options, 1);
    EXPECT_EQ(options.commentMode, CommentMode::ReadExisting);
    EXPECT_EQ(options.exportMode, ExportMode::Disabled);
}

} // namespace
} // namespace kestrum
