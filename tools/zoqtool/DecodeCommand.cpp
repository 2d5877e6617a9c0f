#include "DecodeCommand.h"

#include "audio/AudioLoader.h"
#include "audio/SampleStore.h"
#include "audio/WavFile.h"
#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "platform/StderrMessenger.h"

#include <cstdio>

namespace zoqtool {

namespace {

// Opens the recording and loads its audio as the player does at start-up, without command-line
// header values. 1 after the reader's or decoder's message went to stderr.
int loadAudio(const std::string& path, kestrum::RecordingState& recording, kestrum::SampleStore& store) {
    kestrum::ConsoleMessenger messenger;
    kestrum::NoLog log;
    kestrum::Reporter reporter(messenger, log);
    recording.recordingPath = path;
    return kestrum::openAndLoadRecording(recording, store, reporter);
}

} // namespace

int runDecode(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: zoqtool decode FILE OUT.wav\n");
        return 2;
    }
    kestrum::RecordingState recording;
    kestrum::SampleStore store;
    if (loadAudio(arguments[0], recording, store) != 0)
        return 1;
    // The player plays the store as unsigned 8-bit mono at the playback rate: write exactly that.
    std::string error;
    if (!kestrum::writePcm8WavFile(arguments[1], 1, recording.playbackFormat.samplesPerSec, store.samples(),
                                   error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace zoqtool
