#include "DecodeCommand.h"

#include "CallAudio.h"
#include "CommandOptions.h"
#include "convert/WavFile.h"

#include <cstdio>

namespace zoqtool {

int runDecode(const std::vector<std::string>& arguments) {
    CommandOptions options("usage: zoqtool decode FILE OUT.wav",
                           "Writes the decoded call as a standard WAV file: the samples the player plays, "
                           "unsigned 8-bit mono, at the call's rate.");
    std::string path, output;
    options.app.add_option("FILE", path, "the recording")->required();
    options.app.add_option("OUT.wav", output, "the WAV file to write (made new, then renamed to OUT.wav)")
        ->required();
    options.takeOperandsOnly();
    if (const std::optional<int> ended = options.parse(arguments))
        return *ended;
    kestrum::RecordingState recording;
    kestrum::SampleStore store;
    if (loadCallAudio(path, recording, store) != 0)
        return 1;
    // The player plays the store as unsigned 8-bit mono at the playback rate: write exactly that.
    std::string error;
    if (!kestrum::writePcm8WavFile(output, 1, recording.playbackFormat.samplesPerSec, store.samples(),
                                   error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace zoqtool
