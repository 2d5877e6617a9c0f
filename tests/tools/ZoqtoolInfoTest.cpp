// zoqtool info: the real binary on real files, its JSON read back with a JSON parser.

#include "recording/FieldText.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace kestrum {
namespace {

using test::RecordingBuilder;

QJsonObject infoJson(const std::string& path) {
    const test::ProcessResult result = test::runProcess(ZOQTOOL_BINARY, {"info", path, "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(result.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out;
    return document.object();
}

TEST(ZoqtoolInfo, PrintsAnExportedCompressedRecordingAsJson) {
    test::TempDir dir;
    RecordingBuilder builder(10);
    builder.exportHeader = test::makeExportHeader(320);
    builder.exportHeader->headerCrc = 0xDEADBEEF;
    builder.vrh3.trunk = -2;
    builder.vrh3.cost = -1;
    setFieldText(builder.vrh3.lastName, "M\xFCller"); // Latin-1
    setFieldText(builder.vrh3.archivedBy, "archivist");
    builder.comments = "line one\r\nline two\r\n";
    builder.words = {test::makeWord("gun", {8000, 24000}), test::makeWord("escape", {})};
    builder.audio = test::makeAudio(320);
    builder.writeTo(dir.file("a.ZOQ"));

    const QJsonObject info = infoJson(dir.file("a.ZOQ"));
    EXPECT_EQ(info["fileVersion"].toInt(), 10);
    EXPECT_EQ(info["headerStart"].toInt(), 98);
    EXPECT_EQ(info["dataStart"].toInt(), 98 + 351);
    EXPECT_EQ(info["audioLength"].toInt(), 320);

    const QJsonObject edh = info["exportHeader"].toObject();
    EXPECT_EQ(edh["exportFlag"].toInt(), 1);
    EXPECT_EQ(edh["headerCrc"].toDouble(), 3735928559.0);
    EXPECT_EQ(edh["audioByteCount"].toInt(), 320);
    EXPECT_EQ(edh["expYear"].toInt(), 2004);
    EXPECT_EQ(edh["exportComputer"].toString(), "DESK1");
    EXPECT_EQ(edh["exportUser"].toString(), "clerk");
    EXPECT_FALSE(edh.contains("magic"));
    EXPECT_EQ(edh.size(), 13);

    const QJsonObject header = info["header"].toObject();
    EXPECT_FALSE(header.contains("name"));
    EXPECT_EQ(header.size(), 41); // every field of the 351-byte layout but its name
    EXPECT_EQ(header["rid"].toString(), "RID123");
    EXPECT_EQ(header["lastName"].toString(), QString::fromUtf8("M\xC3\xBCller"));
    EXPECT_EQ(header["trunk"].toInt(), -2);
    EXPECT_EQ(header["cost"].toInt(), -1);
    EXPECT_EQ(header["archivedBy"].toString(), "archivist");
    EXPECT_EQ(header["scannedWordCount"].toInt(), 2);
    const QJsonObject audioFormat = header["audioFormat"].toObject();
    EXPECT_EQ(audioFormat["tag"].toInt(), 34);
    EXPECT_EQ(audioFormat["blockAlign"].toInt(), 32);
    EXPECT_EQ(audioFormat.size(), 7);

    const QJsonObject playback = info["playbackFormat"].toObject();
    EXPECT_EQ(playback["tag"].toInt(), 1);
    EXPECT_EQ(playback["samplesPerSec"].toInt(), 8000);
    EXPECT_EQ(playback["avgBytesPerSec"].toInt(), 8000);
    EXPECT_EQ(playback["bitsPerSample"].toInt(), 8);

    EXPECT_EQ(info["comments"].toString(), "line one\r\nline two\r\n");
    const QJsonArray words = info["scannedWords"].toArray();
    ASSERT_EQ(words.size(), 2);
    EXPECT_EQ(words[0].toObject()["word"].toString(), "gun");
    EXPECT_EQ(words[0].toObject()["positions"].toArray(), QJsonArray({8000, 24000}));
    EXPECT_EQ(words[1].toObject()["positions"].toArray(), QJsonArray());
}

TEST(ZoqtoolInfo, PrintsAnOldHeaderConvertedAndWithoutCommandLineValues) {
    test::TempDir dir;
    RecordingBuilder builder(6);
    builder.vrh.trunk = -3;
    builder.vrh.sourceFileSize = 900;
    builder.comments = "not carried by version 6";
    builder.audio = test::makeAudio(100);
    builder.writeTo(dir.file("old.ZOQ"));

    const QJsonObject info = infoJson(dir.file("old.ZOQ"));
    EXPECT_EQ(info["fileVersion"].toInt(), 6);
    EXPECT_TRUE(info["exportHeader"].isNull());
    EXPECT_EQ(info["dataStart"].toInt(), 216);
    EXPECT_EQ(info["comments"].toString(), "");
    // Version 6 carries no comment section: the bytes after the header are all audio.
    EXPECT_EQ(info["audioLength"].toInt(), 100 + 24);
    const QJsonObject header = info["header"].toObject();
    EXPECT_EQ(header["version"].toInt(), 11);
    EXPECT_EQ(header["trunk"].toInt(), -3);
    EXPECT_EQ(header["sourceFileSize"].toInt(), 1035);
    EXPECT_EQ(header["sourceDataRate"].toInt(), 8000);
    EXPECT_EQ(header["recDay"].toInt(), 5);
}

TEST(ZoqtoolInfo, PrintsAlignedTextForPeople) {
    test::TempDir dir;
    RecordingBuilder builder(9);
    builder.words = {test::makeWord("alpha", {16000})};
    builder.audio = test::makeAudio(10);
    builder.writeTo(dir.file("t.ZOQ"));
    const test::ProcessResult result = test::runProcess(ZOQTOOL_BINARY, {"info", dir.file("t.ZOQ")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("fileVersion            9\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  rid                  RID123\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("scannedWords\n             Key Word   Seconds From Beginning\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("              alpha    2 "), std::string::npos) << result.out;
}

// Whether `text` is well-formed UTF-8.
bool isUtf8(const std::string& text) {
    const QByteArray bytes = QByteArray::fromStdString(text);
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

TEST(ZoqtoolInfo, StoredTextIsPrintedAsUtf8FromWindows1252) {
    test::TempDir dir;
    RecordingBuilder builder(10);
    setFieldText(builder.vrh3.lastName, "M\xFCller"); // u with diaeresis
    setFieldText(builder.vrh3.firstName, "\x93Jo\x94 \x80"
                                         "5"); // curly quotes and the euro sign
    setFieldText(builder.vrh3.system, "\x81"); // a byte the code page leaves out
    builder.comments = "caf\xE9 \x96 ok\r\n";
    builder.words = {test::makeWord("Stra\xDF"
                                    "e",
                                    {8000})};
    builder.audio = test::makeAudio(320);
    builder.writeTo(dir.file("a.ZOQ"));

    const test::ProcessResult text = test::runProcess(ZOQTOOL_BINARY, {"info", dir.file("a.ZOQ")});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_TRUE(isUtf8(text.out)) << text.out;
    EXPECT_NE(text.out.find("  lastName             M\u00FCller\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  firstName            \u201CJo\u201D \u20AC5\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("  caf\u00E9 \u2013 ok\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("             Stra\u00DF"
                            "e    1 \n"),
              std::string::npos)
        << text.out;

    const QJsonObject info = infoJson(dir.file("a.ZOQ"));
    const QJsonObject header = info["header"].toObject();
    EXPECT_EQ(header["lastName"].toString(), QString::fromUtf8("M\u00FCller"));
    EXPECT_EQ(header["firstName"].toString(), QString::fromUtf8("\u201CJo\u201D \u20AC5"));
    EXPECT_EQ(header["system"].toString(), QString(QChar(0x81)));
    EXPECT_EQ(info["comments"].toString(), QString::fromUtf8("caf\u00E9 \u2013 ok\r\n"));
    EXPECT_EQ(info["scannedWords"].toArray()[0].toObject()["word"].toString(), QString::fromUtf8("Stra\u00DF"
                                                                                                 "e"));
}

TEST(ZoqtoolInfo, AReaderFailurePrintsItsMessageAndExits1) {
    test::TempDir dir;
    std::vector<std::uint8_t> bytes = RecordingBuilder(8).bytes();
    bytes.resize(200);
    test::writeFileBytes(dir.file("short.ZOQ"), bytes);
    test::ProcessResult result = test::runProcess(ZOQTOOL_BINARY, {"info", dir.file("short.ZOQ"), "--json"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "File Vrh read failed 216\n");
    EXPECT_EQ(result.out, "");

    result = test::runProcess(ZOQTOOL_BINARY, {"info", dir.file("none.ZOQ")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Could not open file\n" + dir.file("none.ZOQ") + "\n");

    result = test::runProcess(ZOQTOOL_BINARY, {"info"});
    EXPECT_EQ(result.exitCode, 2);
}

} // namespace
} // namespace kestrum
