// makezoq: makes a recording file from a WAV file, for demonstrations and benchmarks.

#include "MakeOptions.h"
#include "RecordingFile.h"
#include "StoredAudio.h"

#include "convert/WavFile.h"
#include "platform/AtomicFile.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failWith(const std::string& message) {
    std::fprintf(stderr, "makezoq: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = makezoq::parseMakeOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "makezoq: %s\n%s", error.c_str(), makezoq::usageText());
        return 2;
    }

    kestrum::WavContents wav;
    if (!kestrum::readWavFile(options->wavPath, wav, error))
        return failWith(error);
    const auto audio = makezoq::makeStoredAudio(wav, options->version, options->repeatToSeconds, error);
    if (!audio)
        return failWith(options->wavPath + ": " + error);
    const auto bytes = makezoq::recordingFileBytes(*options, *audio, error);
    if (!bytes)
        return failWith(error);

    switch (kestrum::replaceFileContents(options->outputPath, *bytes)) {
    case kestrum::ReplaceResult::Replaced:
        break;
    case kestrum::ReplaceResult::OpenFailed:
        return failWith("cannot create a file beside " + options->outputPath);
    case kestrum::ReplaceResult::WriteFailed:
        return failWith("cannot write " + options->outputPath);
    }
    std::printf("%s: version %d, %.2f s of audio (%zu bytes)\n", options->outputPath.c_str(), audio->version,
                audio->seconds(), audio->bytes.size());
    return 0;
}
