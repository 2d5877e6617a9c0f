#include "DecodeCommand.h"

#include "CallAudio.h"
#include "convert/WavFile.h"

#include <cstdio>

namespace zoqtool {

int runDecode(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: zoqtool decode FILE OUT.wav\n");
        return 2;
    }
    kestrum::RecordingState recording;
    kestrum::SampleStore store;
    if (loadCallAudio(arguments[0], recording, store) != 0)
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
