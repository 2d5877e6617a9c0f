#include "InfoCommand.h"

#include "CommandOptions.h"
#include "JsonText.h"
#include "RecordFields.h"
#include "app/KeywordListLines.h"
#include "platform/EscapedText.h"
#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "platform/StderrMessenger.h"
#include "recording/RecordingReader.h"
#include "recording/Windows1252.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace zoqtool {

namespace {

using kestrum::RecordingState;

class NoLog : public kestrum::LogSink {
  public:
    void writeLog(const std::string&) override {}
};

struct ReadResult {
    RecordingState recording;
    std::vector<std::string> keywordLines; // the keyword window's, for versions with keywords
};

// Opens the recording and runs the audio-length rule with its readers, as the player does at
// start-up, without command-line header values. 1 after the reader's message went to stderr.
int readRecording(const std::string& path, ReadResult& result) {
    kestrum::ConsoleMessenger messenger;
    kestrum::NoLog log;
    kestrum::Reporter reporter(messenger, log);
    result.recording.recordingPath = path;
    kestrum::RecordingReader reader(result.recording, reporter, {});
    if (reader.openRecording() != 0 || reader.computeAudioLength() != 0)
        return 1;
    if (reader.sectionsRead().keywords)
        result.keywordLines = kestrum::keywordListLines(result.recording);
    result.recording.closeRecordingFile();
    return 0;
}

Json fieldsJson(const std::vector<FieldValue>& fields) {
    Json object = Json::object();
    for (const FieldValue& field : fields) {
        switch (field.kind) {
        case FieldValue::Kind::Number:
            object[field.name] = std::stoll(field.value);
            break;
        case FieldValue::Kind::Text:
            object[field.name] = storedText(field.value);
            break;
        case FieldValue::Kind::Record:
            object[field.name] = fieldsJson(field.fields);
            break;
        }
    }
    return object;
}

void printJson(const ReadResult& result) {
    const RecordingState& rec = result.recording;
    Json json = Json::object();
    json["fileVersion"] = rec.version();
    json["headerStart"] = rec.headerStart;
    json["dataStart"] = rec.dataStart;
    json["exportHeader"] = rec.hasExportHeader() ? fieldsJson(collectFields(rec.edh)) : Json();
    json["header"] = fieldsJson(collectFields(rec.vrh3));
    json["playbackFormat"] = fieldsJson(collectFields(rec.playbackFormat));
    json["audioLength"] = rec.audioLength;
    json["comments"] = storedText(rec.commentText);
    Json words = Json::array();
    for (int i = 0; i < rec.scannedWordTotal; ++i) {
        const kestrum::ScannedWord& word = rec.scannedWords[static_cast<std::size_t>(i)];
        Json positions = Json::array();
        for (const std::uint32_t position : word.positions) {
            if (position == 0)
                break;
            positions.push_back(position);
        }
        Json entry = Json::object();
        entry["word"] = storedText(kestrum::fieldText(word.word));
        entry["positions"] = std::move(positions);
        words.push_back(std::move(entry));
    }
    json["scannedWords"] = std::move(words);
    std::cout << jsonText(json) << '\n';
}

// The recording's text as printed for people: UTF-8, its control characters escaped so that they
// cannot act on the terminal.
std::string shown(const std::string& stored) {
    return kestrum::escapeControlCharacters(kestrum::windows1252ToUtf8(stored));
}

// Text for people: one "name  value" line per field, nested records indented.
void printFields(const std::vector<FieldValue>& fields, int indent) {
    for (const FieldValue& field : fields) {
        const std::string label = std::string(static_cast<std::size_t>(indent), ' ') + field.name;
        if (field.kind == FieldValue::Kind::Record) {
            std::printf("%s\n", label.c_str());
            printFields(field.fields, indent + 2);
        } else {
            std::printf("%-22s %s\n", label.c_str(),
                        (field.kind == FieldValue::Kind::Text ? shown(field.value) : field.value).c_str());
        }
    }
}

void printText(const ReadResult& result) {
    const RecordingState& rec = result.recording;
    std::printf("%-22s %s\n", "file", kestrum::escapeControlCharacters(rec.recordingPath).c_str());
    std::printf("%-22s %d\n", "fileVersion", rec.version());
    std::printf("%-22s %u\n", "headerStart", rec.headerStart);
    std::printf("%-22s %u\n", "dataStart", rec.dataStart);
    std::printf("%-22s %u\n", "audioLength", rec.audioLength);
    if (rec.hasExportHeader()) {
        std::printf("exportHeader\n");
        printFields(collectFields(rec.edh), 2);
    } else {
        std::printf("%-22s none\n", "exportHeader");
    }
    std::printf("header\n");
    printFields(collectFields(rec.vrh3), 2);
    std::printf("playbackFormat\n");
    printFields(collectFields(rec.playbackFormat), 2);
    std::printf("comments\n");
    std::string line;
    for (const char c : rec.commentText) {
        if (c == '\n') {
            std::printf("  %s\n", shown(line).c_str());
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty())
        std::printf("  %s\n", shown(line).c_str());
    std::printf("scannedWords\n");
    for (const std::string& keywordLine : result.keywordLines)
        std::printf("  %s\n", shown(keywordLine).c_str());
}

} // namespace

int runInfo(const std::vector<std::string>& arguments) {
    CommandOptions options(
        "usage: zoqtool info FILE [--json]",
        "Reads a recording with the player's own reader and prints its export header, its "
        "header (converted to the newest layout), playback format, audio length, comments and "
        "keywords.");
    std::string path;
    bool json = false;
    options.app.add_option("FILE", path, "the recording")->required();
    options.app.add_flag("--json", json, "print it as one JSON object");
    if (const std::optional<int> ended = options.parse(arguments))
        return *ended;
    ReadResult result;
    if (readRecording(path, result) != 0)
        return 1;
    if (json)
        printJson(result);
    else
        printText(result);
    return 0;
}

} // namespace zoqtool
