#include "ConvertCommand.h"

#include "CallAudio.h"
#include "NumberArguments.h"
#include "TerminalProgress.h"
#include "convert/CallConversion.h"
#include "platform/FormatText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zoqtool {

namespace {

using namespace kestrum;

struct ConvertArguments {
    std::string path;
    ConversionRequest request;
};

bool parseArguments(const std::vector<std::string>& arguments, ConvertArguments& parsed) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue = argument == "--from" || argument == "--to" || argument == "--bits";
        if (takesValue) {
            if (i + 1 >= arguments.size())
                return false;
            const std::string& value = arguments[++i];
            double seconds = 0;
            if (argument == "--bits") {
                if (value != "8" && value != "16")
                    return false;
                parsed.request.wavBits = std::atoi(value.c_str());
            } else if (!parseNonNegative(value, seconds)) {
                return false;
            } else if (argument == "--from") {
                parsed.request.fromSeconds = seconds;
            } else {
                parsed.request.toSeconds = seconds;
            }
        } else if (argument.rfind("--", 0) == 0) {
            return false;
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() != 2)
        return false;
    parsed.path = paths[0];
    parsed.request.outputPath = paths[1];
    return true;
}

} // namespace

int runConvert(const std::vector<std::string>& arguments) {
    ConvertArguments parsed;
    if (!parseArguments(arguments, parsed)) {
        std::fprintf(stderr,
                     "usage: zoqtool convert FILE OUT.{wav,flac,opus,mp3} [--from SECONDS] [--to SECONDS] "
                     "[--bits 8|16]\n");
        return 2;
    }
    TerminalProgress progress;
    std::string error;
    std::unique_ptr<CallConversion> conversion = CallConversion::prepare(
        parsed.request,
        [&progress, &parsed](double seconds) {
            if (progress.due())
                progress.update(formatText("converting %s: %.0f s", parsed.path.c_str(), seconds));
        },
        error);
    if (!conversion) {
        std::fprintf(stderr, "zoqtool: %s\n", error.c_str());
        return 1;
    }

    // The call is read as the player reads it; its samples are encoded while the rest decodes.
    progress.update("reading " + parsed.path);
    RecordingState recording;
    SampleStore store;
    bool started = false;
    bool startFailed = false;
    const int loaded =
        loadCallAudio(parsed.path, recording, store, [&](std::span<const std::uint8_t> samples) {
            if (!started) {
                started = true;
                startFailed = !conversion->start(recording, error);
            }
            if (!startFailed)
                conversion->add(samples);
        });
    if (loaded != 0) {
        progress.clear();
        return 1; // the reader's or decoder's message went to stderr; the conversion is discarded
    }
    const bool converted = !startFailed && conversion->finish(recording, error);
    progress.clear();
    if (!converted) {
        std::fprintf(stderr, "zoqtool: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace zoqtool
