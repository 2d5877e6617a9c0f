#include "InfoCommand.h"

#include "JsonWriter.h"
#include "RecordFields.h"
#include "platform/EscapedText.h"
#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "platform/StderrMessenger.h"
#include "recording/RecordingReader.h"
#include "recording/Windows1252.h"

#include <cstdio>
#include <iostream>

namespace zoqtool {

namespace {

using kestrum::RecordingState;

class NoLog : public kestrum::LogSink {
  public:
    void writeLog(const std::string&) override {}
};

struct ReadResult {
    RecordingState recording;
    kestrum::TextDisplays displays;
};

// Opens the recording and runs the audio-length rule with its readers, as the player does at
// start-up, without command-line header values. 1 after the reader's message went to stderr.
int readRecording(const std::string& path, ReadResult& result) {
    kestrum::ConsoleMessenger messenger;
    kestrum::NoLog log;
    kestrum::Reporter reporter(messenger, log);
    result.recording.recordingPath = path;
    kestrum::RecordingReader reader(result.recording, reporter, result.displays, result.displays, {});
    if (reader.openRecording() != 0 || reader.computeAudioLength() != 0)
        return 1;
    result.recording.closeRecordingFile();
    return 0;
}

void writeJsonFields(JsonWriter& json, const std::vector<FieldValue>& fields) {
    json.beginObject();
    for (const FieldValue& field : fields) {
        json.key(field.name);
        switch (field.kind) {
        case FieldValue::Kind::Number:
            json.number(field.value);
            break;
        case FieldValue::Kind::Text:
            json.string(field.value);
            break;
        case FieldValue::Kind::Record:
            writeJsonFields(json, field.fields);
            break;
        }
    }
    json.endObject();
}

void printJson(const ReadResult& result) {
    const RecordingState& rec = result.recording;
    JsonWriter json;
    json.beginObject();
    json.key("fileVersion");
    json.number(rec.version());
    json.key("headerStart");
    json.number(rec.headerStart);
    json.key("dataStart");
    json.number(rec.dataStart);
    json.key("exportHeader");
    if (rec.hasExportHeader())
        writeJsonFields(json, collectFields(rec.edh));
    else
        json.null();
    json.key("header");
    writeJsonFields(json, collectFields(rec.vrh3));
    json.key("playbackFormat");
    writeJsonFields(json, collectFields(rec.playbackFormat));
    json.key("audioLength");
    json.number(rec.audioLength);
    json.key("comments");
    json.string(rec.commentText);
    json.key("scannedWords");
    json.beginArray();
    for (int i = 0; i < rec.scannedWordTotal; ++i) {
        const kestrum::ScannedWord& word = rec.scannedWords[static_cast<std::size_t>(i)];
        json.beginObject();
        json.key("word");
        json.string(kestrum::fieldText(word.word));
        json.key("positions");
        json.beginArray();
        for (const std::uint32_t position : word.positions) {
            if (position == 0)
                break;
            json.number(position);
        }
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.endObject();
    std::cout << json.text() << '\n';
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
    for (const std::string& keywordLine : result.displays.keywordLines)
        std::printf("  %s\n", shown(keywordLine).c_str());
}

} // namespace

int runInfo(const std::vector<std::string>& arguments) {
    std::vector<std::string> paths;
    bool json = false;
    for (const std::string& argument : arguments) {
        if (argument == "--json")
            json = true;
        else
            paths.push_back(argument);
    }
    if (paths.size() != 1) {
        std::fprintf(stderr, "usage: zoqtool info FILE [--json]\n");
        return 2;
    }
    ReadResult result;
    if (readRecording(paths[0], result) != 0)
        return 1;
    if (json)
        printJson(result);
    else
        printText(result);
    return 0;
}

} // namespace zoqtool
