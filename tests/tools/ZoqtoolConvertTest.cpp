// zoqtool convert: the real binary on a recording of real speech, every kind of file it writes read
// back by the ffmpeg project's own ffprobe and ffmpeg: the duration, the tags, the chapter marks,
// FLAC sample for sample against zoqtool decode; and what it leaves behind when it fails.

#include "convert/WavFile.h"
#include "recording/FieldText.h"
#include "support/ProcessRunner.h"
#include "support/RealAudio.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::RecordingBuilder;
using Bytes = std::vector<std::uint8_t>;

// The speech recording holds 461 TrueSpeech blocks of 240 samples at 8000 Hz.
constexpr double kCallSeconds = 461 * 240 / 8000.0;

// Chapter marks as ffprobe reads them: start in seconds and title.
using Marks = std::vector<std::pair<double, std::string>>;
// The test call's keywords: "transfer" and "alarm" share a place, "late" is past the end.
const Marks kCallMarks = {{1.0, "gun"}, {4.5, "transfer, alarm"}, {10.0, "transfer"}};

test::ProcessResult zoqtool(const std::vector<std::string>& arguments) {
    return test::runProcess(ZOQTOOL_BINARY, arguments);
}

test::ProcessResult tool(const std::string& name, const std::vector<std::string>& arguments) {
    std::vector<std::string> all{name};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return test::runProcess("/usr/bin/env", all);
}

// What ffprobe reads from a file: its "flat" output as key and value ("format.duration" ->
// "13.830000"), with the tags, wherever the container keeps them (in the file's header, or in
// its stream's, as Ogg does), also under "tag.<name>".
std::map<std::string, std::string> probe(const std::string& path) {
    const test::ProcessResult result =
        tool("ffprobe", {"-v", "error", "-show_entries",
                         "format=duration:format_tags:stream=codec_name,sample_rate:stream_tags",
                         "-show_chapters", "-of", "flat", path});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::map<std::string, std::string> fields;
    std::size_t start = 0;
    while (start < result.out.size()) {
        const std::size_t end = result.out.find('\n', start);
        const std::string line = result.out.substr(start, end - start);
        start = end == std::string::npos ? result.out.size() : end + 1;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        for (const char* prefix : {"format.tags.", "streams.stream.0.tags."})
            if (key.rfind(prefix, 0) == 0)
                fields["tag." + key.substr(std::char_traits<char>::length(prefix))] = value;
        fields[key] = value;
    }
    return fields;
}

// The chapter marks ffprobe reads.
Marks chaptersOf(const std::map<std::string, std::string>& fields) {
    Marks chapters;
    for (int i = 0;; ++i) {
        const std::string key = "chapters.chapter." + std::to_string(i) + ".";
        if (!fields.contains(key + "start_time"))
            return chapters;
        const auto title = fields.find(key + "tags.title");
        chapters.emplace_back(std::stod(fields.at(key + "start_time")),
                              title == fields.end() ? std::string() : title->second);
    }
}

// The ffmpeg command line's decode of a file to unsigned 8-bit mono at 8000 Hz.
Bytes decodedSamples(const std::string& path) {
    const test::ProcessResult result =
        tool("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f", "u8", "-ac", "1", "-ar", "8000", "-"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return {result.out.begin(), result.out.end()};
}

class ZoqtoolConvert : public ::testing::Test {
  protected:
    // A call of real speech with everything a file's tags carry: names and a comment with
    // Windows-1252 letters, keywords at shared and separate places and one past the end.
    ZoqtoolConvert() {
        const WavContents& speech = test::testWav("8ktruespeech.wav");
        RecordingBuilder builder(10);
        builder.vrh3.audioFormat = speech.format;
        setFieldText(builder.vrh3.rid, "0042");
        setFieldText(builder.vrh3.firstName, "Jos\xE9");
        setFieldText(builder.vrh3.lastName, "M\xFCller");
        builder.vrh3.recYear = 2004;
        builder.vrh3.recMonth = 3;
        builder.vrh3.recDay = 5;
        builder.vrh3.recHour = 9;
        builder.vrh3.recMinute = 7;
        builder.vrh3.recSecond = 2;
        builder.comments = "first line\r\nse\xF1or's second line\r\n";
        // Byte offsets of the 8-bit 8000 Hz playback format: 8000 a second.
        builder.words = {test::makeWord("gun", {8000}), test::makeWord("transfer", {36000, 80000}),
                         test::makeWord("alarm", {36000}), test::makeWord("late", {200000})};
        builder.audio = speech.data;
        builder.writeTo(recording);
    }

    test::ProcessResult convert(const std::string& output, std::vector<std::string> options = {}) {
        std::vector<std::string> arguments{"convert", recording, output};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return zoqtool(arguments);
    }
    // What zoqtool decode writes: the samples the player plays.
    Bytes decodedCall() {
        const std::string wav = dir.file("decoded.wav");
        const test::ProcessResult result = zoqtool({"decode", recording, wav});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        WavContents contents;
        std::string error;
        EXPECT_TRUE(readWavFile(wav, contents, error)) << error;
        return contents.data;
    }

    test::TempDir dir;
    std::string recording = dir.file("call.ZOQ");
};

struct Kind {
    std::string name;
    std::vector<std::string> options;
    std::string codec;
    double durationTolerance; // ffprobe's reading of a lossy file includes part of the encoder's delay
    bool chapters;
};

TEST_F(ZoqtoolConvert, EveryKindOfFileReadsBackWithTheCallsLengthTagsAndKeywords) {
    const Bytes call = decodedCall();
    ASSERT_EQ(call.size(), 461u * 240u);
    const std::vector<Kind> kinds = {
        {"call.wav", {}, "pcm_u8", 0.001, false}, {"call16.WAV", {"--bits", "16"}, "pcm_s16le", 0.001, false},
        {"call.flac", {}, "flac", 0.001, true},   {"call.opus", {}, "opus", 0.01, true},
        {"call.mp3", {}, "mp3", 0.25, true},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const std::string output = dir.file(kind.name);
        const test::ProcessResult result = convert(output, kind.options);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, ""); // no progress line when standard error is not a terminal
        EXPECT_EQ(test::modeOf(output), 0600u);

        const std::map<std::string, std::string> fields = probe(output);
        EXPECT_EQ(fields.at("streams.stream.0.codec_name"), kind.codec);
        EXPECT_NEAR(std::stod(fields.at("format.duration")), kCallSeconds, kind.durationTolerance);
        EXPECT_EQ(fields.at("tag.title"), "0042 2004-03-05 09:07:02");
        EXPECT_EQ(fields.at("tag.artist"), "José Müller");
        EXPECT_EQ(fields.at("tag.comment"), "first line\\nseñor's second line");
        EXPECT_EQ(fields.at("tag.date"), "2004-03-05");
        const Marks expected = kind.chapters ? kCallMarks : Marks{};
        EXPECT_EQ(chaptersOf(fields), expected);

        // Every file holds the whole call: lossless ones exactly its samples.
        const Bytes samples = decodedSamples(output);
        EXPECT_EQ(samples.size(), call.size());
        if (kind.codec != "opus" && kind.codec != "mp3") {
            EXPECT_TRUE(samples == call) << "the samples differ from zoqtool decode's";
        }
    }
}

TEST_F(ZoqtoolConvert, ASectionHoldsThoseSecondsAndItsChapterMarksCountFromItsStart) {
    const Bytes call = decodedCall();
    for (const std::string name : {"part.flac", "part.opus"}) {
        SCOPED_TRACE(name);
        const std::string output = dir.file(name);
        const test::ProcessResult result = convert(output, {"--from", "2", "--to", "11"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::map<std::string, std::string> fields = probe(output);
        EXPECT_NEAR(std::stod(fields.at("format.duration")), 9.0, 0.01);
        // The section starts inside "gun": it keeps that mark at its start.
        EXPECT_EQ(chaptersOf(fields), (Marks{{0.0, "gun"}, {2.5, "transfer, alarm"}, {8.0, "transfer"}}));
        const Bytes samples = decodedSamples(output);
        ASSERT_EQ(samples.size(), 9u * 8000u);
        if (name == "part.flac") {
            EXPECT_TRUE(std::equal(samples.begin(), samples.end(), call.begin() + 2 * 8000));
        }
    }

    // A --to past the end stops at the end.
    ASSERT_EQ(convert(dir.file("tail.wav"), {"--from", "13", "--to", "100"}).exitCode, 0);
    EXPECT_EQ(decodedSamples(dir.file("tail.wav")).size(), call.size() - 13u * 8000u);
}

// A raw 8-bit call at a rate Opus does not take, read whole at once rather than decoded in passes.
TEST_F(ZoqtoolConvert, ARawCallKeepsItsRateAndSamplesAndOpusGoesToTheNextRateItTakes) {
    RecordingBuilder builder(11);
    builder.vrh3.audioFormat = {1, 1, 11025, 11025, 1, 8, 0};
    builder.words = {test::makeWord("start", {11025})};
    builder.audio = test::makeAudio(11025 * 3);
    builder.writeTo(recording);
    for (const std::string name : {"raw.wav", "raw.flac", "raw.opus", "raw.mp3"}) {
        SCOPED_TRACE(name);
        const std::string output = dir.file(name);
        const test::ProcessResult result = convert(output);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::map<std::string, std::string> fields = probe(output);
        EXPECT_NEAR(std::stod(fields.at("format.duration")), 3.0, name == "raw.mp3" ? 0.25 : 0.01);
        if (name == "raw.opus") {
            // Ogg Opus files keep the rate that went into the encoder in their header (bytes 12 to 15
            // of the identification header, little-endian), and decode at 48000 Hz.
            const Bytes file = test::readFileBytes(output);
            const std::string bytes(file.begin(), file.end());
            const std::size_t head = bytes.find("OpusHead");
            ASSERT_NE(head, std::string::npos);
            const std::uint32_t rate = file[head + 12] | file[head + 13] << 8 | file[head + 14] << 16 |
                                       static_cast<std::uint32_t>(file[head + 15]) << 24;
            EXPECT_EQ(rate, 12000u);
            continue;
        }
        EXPECT_EQ(fields.at("streams.stream.0.sample_rate"), "11025");
        if (name != "raw.mp3") {
            const test::ProcessResult samples = tool("ffmpeg", {"-nostdin", "-v", "error", "-i", output, "-f",
                                                                "u8", "-ac", "1", "-ar", "11025", "-"});
            EXPECT_TRUE(Bytes(samples.out.begin(), samples.out.end()) == builder.audio);
        }
    }
}

TEST_F(ZoqtoolConvert, WhatCannotBeConvertedIsRefusedAndLeavesNothingBehind) {
    const auto entries = [this] {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    fs::create_directory(dir.file("folder.flac"));
    const std::vector<std::string> before = entries();

    test::ProcessResult result = convert(dir.file("call.ogg"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "zoqtool: cannot tell what kind of audio file " + dir.file("call.ogg") +
                              " is to be: its name must end in .wav, .flac, .opus, .mp3\n");
    result = convert(dir.file("late.flac"), {"--from", "20"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "zoqtool: nothing to convert: the section from 20.000 s to 13.830 s is empty (the call "
              "is 13.830 s long)\n");
    result = convert(dir.file("none.flac"), {"--from", "5", "--to", "5"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "zoqtool: nothing to convert: the section from 5.000 s to 5.000 s is empty\n");
    result = convert(dir.file("folder.flac"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "zoqtool: cannot write " + dir.file("folder.flac") + ": Is a directory\n");
    result = zoqtool({"convert", dir.file("none.ZOQ"), dir.file("none.flac")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Could not open file\n" + dir.file("none.ZOQ") + "\n");
    for (const std::vector<std::string>& options : {std::vector<std::string>{"--bits", "24"},
                                                    {"--from", "-1"},
                                                    {"--to", "nan"},
                                                    {"--to"},
                                                    {"--loud"}}) {
        result = convert(dir.file("call.wav"), options);
        EXPECT_EQ(result.exitCode, 2) << options[0];
        EXPECT_EQ(result.err.rfind("usage: zoqtool convert FILE OUT", 0), 0u) << result.err;
    }
    EXPECT_EQ(entries(), before);

    // A write that fails midway (the file size limit, its signal ignored so the write fails)
    // leaves neither the file nor its temporary sibling.
    result =
        test::runProcess("/bin/bash", {"-c", "trap '' XFSZ; ulimit -f 16; exec \"$0\" convert \"$1\" \"$2\"",
                                       ZOQTOOL_BINARY, recording, dir.file("big.wav")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
    EXPECT_EQ(entries(), before);
}

TEST_F(ZoqtoolConvert, ASignalThatEndsAConversionRemovesItsPartialFile) {
    // An hour of sound: seconds of encoding, which the signal interrupts.
    RecordingBuilder builder(11);
    builder.vrh3.audioFormat = {1, 1, 8000, 8000, 1, 8, 0};
    builder.audio = test::makeAudio(8000 * 3600);
    builder.writeTo(recording);
    const auto partialFiles = [this] {
        int count = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.path()))
            count += entry.path().filename().string().rfind("out.mp3", 0) == 0 ? 1 : 0;
        return count;
    };
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(number));
        struct sigaction here {};
        if (::sigaction(number, nullptr, &here) == 0 && here.sa_handler == SIG_IGN)
            continue; // started ignoring it, as zoqtool then does
        test::RunningProcess conversion(ZOQTOOL_BINARY, {"convert", recording, dir.file("out.mp3")});
        ASSERT_TRUE(test::waitUntil([&] { return partialFiles() == 1; }, 30));
        conversion.signal(number);
        EXPECT_EQ(conversion.wait().exitCode, -1); // ended by the signal
        EXPECT_EQ(partialFiles(), 0);
    }
}

TEST_F(ZoqtoolConvert, TheOutputIsANewFileRenamedIntoPlaceNeverWrittenThroughALink) {
    // An existing file is replaced whole, and a link in the output's place is replaced, not
    // followed: what it pointed to stays as it was.
    const std::string output = dir.file("call.flac");
    test::writeFileBytes(output, {'o', 'l', 'd'});
    const std::string target = dir.file("elsewhere.txt");
    test::writeFileBytes(target, {'k', 'e', 'e', 'p'});
    fs::create_symlink(target, dir.file("linked.mp3"));

    ASSERT_EQ(convert(output).exitCode, 0);
    EXPECT_EQ(probe(output).at("streams.stream.0.codec_name"), "flac");
    ASSERT_EQ(convert(dir.file("linked.mp3")).exitCode, 0);
    EXPECT_FALSE(fs::is_symlink(dir.file("linked.mp3")));
    EXPECT_EQ(test::modeOf(dir.file("linked.mp3")), 0600u);
    EXPECT_EQ(test::readFileText(target), "keep");
}

} // namespace
} // namespace kestrum
