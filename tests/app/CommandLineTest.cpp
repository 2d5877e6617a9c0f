// The command line: a bare path, or caret-separated lettered options with their ranges and messages.

#include "app/CommandLine.h"
#include "support/FakeMessenger.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

using Kind = test::FakeMessenger::Shown::Kind;

struct Parsed {
    int result;
    Options options;
    test::FakeMessenger messenger;
};

Parsed parse(const std::string& text) {
    Parsed parsed;
    parsed.result = parseCommandLine(text, parsed.options, parsed.messenger);
    return parsed;
}

// The one error message a refused command line shows.
std::string refusal(const std::string& text) {
    Parsed parsed = parse(text);
    EXPECT_EQ(parsed.result, 1) << text;
    if (parsed.messenger.shown.size() != 1)
        return "<" + std::to_string(parsed.messenger.shown.size()) + " messages>";
    return parsed.messenger.shown[0].text;
}

void expectAccepted(const std::string& text) {
    Parsed parsed = parse(text);
    EXPECT_EQ(parsed.result, 0) << text << ": " << parsed.messenger.onlyText();
}

TEST(CommandLine, ABarePathIsTheRecordingWithQuotesAndTrailingBlanksRemoved) {
    EXPECT_EQ(parse("/calls/a b.ZOQ").options.recordingPath, "/calls/a b.ZOQ");
    EXPECT_EQ(parse("\"/calls/a b.ZOQ\"  \r\n").options.recordingPath, "/calls/a b.ZOQ");
    EXPECT_EQ(parse("/calls/x.ZOQ \" \n").options.recordingPath, "/calls/x.ZOQ");
    EXPECT_EQ(parse("").options.recordingPath, "");
    EXPECT_EQ(parse(std::string(260, 'p')).options.recordingPath, std::string(260, 'p'));
    EXPECT_EQ(parse(std::string(261, 'p')).options.recordingPath, "");
}

TEST(CommandLine, TheDefaultsHoldWhenNoOptionIsGiven) {
    const Options o = parse("^F/x.ZOQ").options;
    EXPECT_EQ(o.recordingPath, "/x.ZOQ");
    EXPECT_EQ(o.ridLabel, "Rid");
    EXPECT_EQ(o.hourValue, -1);
    EXPECT_EQ(o.yearValue, -1);
    EXPECT_EQ(o.diskWriterValue, -1);
    EXPECT_FALSE(o.viewerMode);
    EXPECT_FALSE(o.readOnly);
    EXPECT_EQ(o.commentMode, CommentMode::Hidden);
    const HeaderOverrides values = o.headerOverrides();
    EXPECT_EQ(values.day, -1);
    EXPECT_EQ(values.extra2, 0);
}

TEST(CommandLine, OptionsAreLetteredPiecesBetweenCarets) {
    const Parsed parsed = parse("^F/calls/1.ZOQ^^c3^s2^E1^K1^A2^B-7^W12^N Id^D1/2/2004^T10:11^^");
    ASSERT_EQ(parsed.result, 0) << parsed.messenger.onlyText();
    const Options& o = parsed.options;
    EXPECT_EQ(o.recordingPath, "/calls/1.ZOQ");
    EXPECT_EQ(o.commentMode, CommentMode::AddNew); // lower-case letters alike
    EXPECT_EQ(o.keywordMode, KeywordMode::Enabled);
    EXPECT_EQ(o.exportMode, ExportMode::Disabled);
    EXPECT_EQ(o.exportVariant, ExportVariant::ExportList);
    EXPECT_EQ(o.keyCountMode, KeyCountMode::Two);
    EXPECT_EQ(o.extra2Value, -7);
    EXPECT_EQ(o.diskWriterValue, 12);
    EXPECT_EQ(o.ridLabel, " Id");
    EXPECT_EQ(o.recordedDateText, "1/2/2004");
    EXPECT_EQ(o.recordedTimeText, "10:11");
}

TEST(CommandLine, ALaterPieceOverridesAnEarlierOne) {
    const Options o = parse("^C1^F/a.ZOQ^C2^F/b.ZOQ").options;
    EXPECT_EQ(o.commentMode, CommentMode::ReadExisting);
    EXPECT_EQ(o.recordingPath, "/b.ZOQ");
}

TEST(CommandLine, ViewerModeForcesReadOnlyAndNoExport) {
    const Options o = parse("^F/disc/Recs/1.ZOQ^E2^O1").options;
    EXPECT_EQ(o.recordingPath, "/disc/Recs/1.ZOQ");
    EXPECT_TRUE(o.viewerMode);
    EXPECT_TRUE(o.readOnly);
    EXPECT_EQ(o.exportMode, ExportMode::Hidden);
    EXPECT_EQ(parse("^E2^O0").options.exportMode, ExportMode::Enabled);
}

TEST(CommandLine, IntegersReadLikeDecimalNumbersUpToTheFirstOtherCharacter) {
    EXPECT_EQ(parse("^S2x").options.keywordMode, KeywordMode::Enabled);
    EXPECT_EQ(parse("^H  +7").options.hourValue, 7);
    EXPECT_EQ(parse("^Hx").options.hourValue, 0); // no digits read as 0
    EXPECT_EQ(parse("^B99999999999").options.extra2Value, 2147483647);
}

TEST(CommandLine, ValuesOutsideTheirRangeAreRefusedWithTheLettersMessage) {
    EXPECT_EQ(refusal("^Q0"), "Q got 0 from 0");
    EXPECT_EQ(refusal("^P0"), "P got 0 from 0");
    EXPECT_EQ(refusal("^Q32"), "Q got 32 from 32");
    EXPECT_EQ(refusal("^Z2000"), "Z got 2000 from 2000");
    EXPECT_EQ(refusal("^Z2101"), "Z got 2101 from 2101");
    EXPECT_EQ(refusal("^H24"), "H got 24 from 24");
    EXPECT_EQ(refusal("^H-2"), "H got -2 from -2");
    EXPECT_EQ(refusal("^U-2"), "U got -2 from -2");
    EXPECT_EQ(refusal("^V-3"), "V got -3 from -3");
    EXPECT_EQ(refusal("^A4"), "A got 4 from 4");
    EXPECT_EQ(refusal("^c4"), "C got 4 from 4");
    EXPECT_EQ(refusal("^E3"), "E got 3 from 3");
    EXPECT_EQ(refusal("^K2"), "K got 2 from 2");
    EXPECT_EQ(refusal("^L60"), "L got 60 from 60");
    EXPECT_EQ(refusal("^M-5"), "M got -5 from -5");
    EXPECT_EQ(refusal("^O2"), "O got 2 from 2");
    EXPECT_EQ(refusal("^R-1"), "R got -1 from -1");
    EXPECT_EQ(refusal("^S3"), "S got 3 from 3");
    EXPECT_EQ(refusal("^X100"), "X got 100 from 100");
    EXPECT_EQ(refusal("^Y1000"), "Y got 1000 from 1000");
    EXPECT_EQ(refusal("^S9abc"), "S got 9 from 9abc");

    for (const char* ok : {"^Q-1", "^Q31", "^P12", "^Z-1", "^Z2001", "^Z2100", "^H-1", "^H23", "^U-1",
                           "^U100000", "^V0", "^L59", "^M0", "^X99", "^Y999", "^W-5", "^B0"})
        expectAccepted(ok);

    const Parsed parsed = parse("^H24");
    EXPECT_EQ(parsed.messenger.shown[0].kind, Kind::Error);
}

TEST(CommandLine, TheRangeMessageStopsAtTheFirstBadPiece) {
    const Parsed parsed = parse("^F/a.ZOQ^H99^Q0");
    EXPECT_EQ(parsed.result, 1);
    EXPECT_EQ(parsed.messenger.onlyText(), "H got 99 from 99");
}

TEST(CommandLine, TextValuesTooLongForTheirFieldAreIgnoredSilently) {
    Parsed parsed = parse("^NRidX^D" + std::string(20, 'd') + "^T" + std::string(19, 't') + "  \t");
    EXPECT_EQ(parsed.result, 0);
    EXPECT_TRUE(parsed.messenger.shown.empty());
    EXPECT_EQ(parsed.options.ridLabel, "Rid");
    EXPECT_EQ(parsed.options.recordedDateText, "");
    EXPECT_EQ(parsed.options.recordedTimeText, std::string(19, 't'));
    EXPECT_EQ(parse("^NInm  ").options.ridLabel, "Inm");
    EXPECT_EQ(parse("^F" + std::string(261, 'f')).options.recordingPath, "");
    EXPECT_EQ(parse("^F" + std::string(260, 'f')).options.recordingPath, std::string(260, 'f'));
}

TEST(CommandLine, TheLongCommandLineIsCutTo399Characters) {
    // "^C1^D" and 391 characters leave room for "^S2"; with 394 it starts at character 400.
    EXPECT_EQ(parse("^C1^D" + std::string(391, 'd') + "^S2").options.keywordMode, KeywordMode::Enabled);
    const Options o = parse("^C1^D" + std::string(394, 'd') + "^S2").options;
    EXPECT_EQ(o.keywordMode, KeywordMode::Hidden);
    EXPECT_EQ(o.commentMode, CommentMode::Disabled);

    // Without a caret the 400th character never reaches the path rule either.
    EXPECT_EQ(parse(std::string(399, 'a') + "^S2").options.recordingPath, "");
}

TEST(CommandLine, EncryptionKeysComeInGroupsOfEightLettersOrDigits) {
    Options o = parse("^GABCD1234").options;
    EXPECT_EQ(o.encryptionKeys[0], "ABCD1234");
    EXPECT_EQ(o.encryptionKeys[1], "");

    o = parse("^GAAAAAAAABBBBBBBB").options;
    EXPECT_EQ(o.encryptionKeys[0], "AAAAAAAA");
    EXPECT_EQ(o.encryptionKeys[1], "BBBBBBBB");
    EXPECT_EQ(o.encryptionKeys[2], "");

    o = parse("^GAAAAAAAABBBBBBBBCCCCCCCC \t").options;
    EXPECT_EQ(o.encryptionKeys[2], "CCCCCCCC");

    // 32 characters set keys 1 and 2 only, and the rest is not checked.
    Parsed parsed = parse("^GAAAAAAAABBBBBBBBCCCCCCC-DDDDDDDD");
    EXPECT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.options.encryptionKeys[2], "");

    EXPECT_EQ(refusal("^G123456789012"), "G got length error from 123456789012");
    EXPECT_EQ(refusal("^GAAAAAAAABBBB-BBB"), "G non Alpha Numeric -");

    parsed = parse("^G");
    EXPECT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.options.encryptionKeys[0], "");
}

TEST(CommandLine, AnyOtherPieceIsShownAsItStandsWithTheInformationIcon) {
    for (const char* text : {"^I5", "^J", "^5", "^?x", "\"^F/a.ZOQ"}) {
        const Parsed parsed = parse(text);
        EXPECT_EQ(parsed.result, 1) << text;
        ASSERT_EQ(parsed.messenger.shown.size(), 1u) << text;
        EXPECT_EQ(parsed.messenger.shown[0].kind, Kind::Information) << text;
    }
    EXPECT_EQ(parse("^I5").messenger.onlyText(), "I5");
    // In option form a leading quote stays and makes the first piece unknown.
    EXPECT_EQ(parse("\"^F/a.ZOQ^O1\"").messenger.onlyText(), "\"");
}

TEST(CommandLine, JoinsTheProcessArgumentsWithSingleSpaces) {
    const char* argv[] = {"kestrum", "^F/calls/a", "b.ZOQ^C3", nullptr};
    EXPECT_EQ(joinArguments(3, argv), "^F/calls/a b.ZOQ^C3");
    EXPECT_EQ(joinArguments(1, argv), "");
}

} // namespace
} // namespace kestrum
