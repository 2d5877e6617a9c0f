#include "AnnotateCommands.h"

#include "CommandOptions.h"
#include "NumberArguments.h"
#include "app/Annotations.h"
#include "app/KeywordListLines.h"
#include "audio/FrameClock.h"
#include "platform/LogSink.h"
#include "platform/StderrMessenger.h"
#include "platform/SystemServices.h"
#include "recording/RecordingReader.h"
#include "recording/StoredAudio.h"
#include "recording/Windows1252.h"

#include <cstdio>

namespace zoqtool {

namespace {

using namespace kestrum;

// A recording opened as the player opens it, with the user and computer a stamp names.
struct OpenedRecording {
    ConsoleMessenger messenger;
    NoLog log;
    Reporter reporter{messenger, log};
    PlayerState state;
    TextDisplays windows;

    int open(const std::string& path) {
        PosixSystemServices system;
        int error = 0;
        if (!system.userName(state.environment.userName, 28))
            state.environment.userName.clear();
        if (!system.computerName(state.environment.computerName, 29, error))
            state.environment.computerName.clear();
        state.recording.recordingPath = path;
        RecordingReader reader(state.recording, reporter, {});
        if (reader.openRecording() != 0 || reader.computeAudioLength() != 0)
            return 1;
        showSectionsRead(state.recording, reader.sectionsRead(), windows);
        // A save adds to this call only: not to another put in its place meanwhile.
        state.recording.openedAudio =
            storedAudioOf(::fileno(state.recording.recordingFile.get()), state.recording);
        state.recording.closeRecordingFile();
        return 0;
    }
};

// Typed text as the comment windows give it: UTF-8, lines separated by CR LF.
std::string withCrLf(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            bytes += '\r';
        bytes += text[i];
    }
    return bytes;
}

} // namespace

int runComment(const std::vector<std::string>& arguments) {
    CommandOptions options(
        "usage: zoqtool comment FILE TEXT",
        "Appends TEXT to the recording's comments under a stamp line, through the player's "
        "own save.");
    std::string path, text;
    options.app.add_option("FILE", path, "the recording")->required();
    options.app.add_option("TEXT", text, "the comment (UTF-8; lines may be separated by line feeds)")
        ->required();
    options.takeOperandsOnly();
    if (const std::optional<int> ended = options.parse(arguments))
        return *ended;
    if (text.empty())
        return options.refuse();
    OpenedRecording recording;
    if (recording.open(path) != 0)
        return 1;
    recording.windows.newComments = withCrLf(text);
    Annotations annotations(recording.state, recording.reporter, recording.windows);
    return annotations.save() == 0 ? 0 : 1;
}

int runKeyword(const std::vector<std::string>& arguments) {
    CommandOptions options("usage: zoqtool keyword FILE WORD SECONDS",
                           "Adds a keyword position to the recording, through the player's own save.");
    std::string path, typed, secondsText;
    options.app.add_option("FILE", path, "the recording")->required();
    options.app.add_option("WORD", typed, "the keyword, at most 19 characters")->required();
    options.app.add_option("SECONDS", secondsText, "where in the call, 0 or more")->required();
    options.takeOperandsOnly();
    if (const std::optional<int> ended = options.parse(arguments))
        return *ended;
    double seconds = 0;
    if (!parseNonNegative(secondsText, seconds))
        return options.refuse();
    // Counted as stored; a character the recording cannot hold is refused when it is added.
    const Windows1252Text word = utf8ToWindows1252(typed);
    if (!word.refused && word.stored.size() > kMaxKeywordLength) {
        std::fprintf(stderr, "A key word holds at most %zu characters: %s\n", kMaxKeywordLength,
                     typed.c_str());
        return 1;
    }
    OpenedRecording recording;
    if (recording.open(path) != 0)
        return 1;
    Annotations annotations(recording.state, recording.reporter, recording.windows);
    // The keyword goes where the play position would stand at that second.
    const std::uint64_t position = FrameClock(recording.state.recording.playbackFormat).framesAt(seconds);
    if (annotations.addScannedWord(typed, 0, position) != 0)
        return 1;
    return annotations.save() == 0 ? 0 : 1;
}

} // namespace zoqtool
