#include "ConvertCommand.h"

#include "CallAudio.h"
#include "CommandOptions.h"
#include "NumberArguments.h"
#include "TerminalProgress.h"
#include "convert/CallConversion.h"
#include "platform/FormatText.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace zoqtool {

namespace {

using namespace kestrum;

constexpr const char* kUsage =
    "usage: zoqtool convert FILE OUT.{wav,flac,opus,mp3} [--from SECONDS] [--to SECONDS] "
    "[--bits 8|16]";

struct ConvertArguments {
    std::string path;
    ConversionRequest request;
};

// Reads the command line; nothing when the conversion is to run, else the exit code.
std::optional<int> parseArguments(const std::vector<std::string>& arguments, ConvertArguments& parsed) {
    CommandOptions options(kUsage,
                           "Writes the call, or a section of it, as the kind of audio file OUT's extension "
                           "names, with the call's details as tags and its keywords as chapter marks "
                           "(not in WAV).");
    std::string from, to, bits;
    options.app.add_option("FILE", parsed.path, "the recording")->required();
    options.app.add_option("OUT", parsed.request.outputPath, "the file to write: .wav, .flac, .opus or .mp3")
        ->required();
    const CLI::Option* fromGiven =
        options.app.add_option("--from", from, "the section's start, in seconds of the call")
            ->option_text("SECONDS");
    const CLI::Option* toGiven =
        options.app.add_option("--to", to, "the section's end (without it: the call's end)")
            ->option_text("SECONDS");
    const CLI::Option* bitsGiven =
        options.app.add_option("--bits", bits, "a WAV file's sample size: 8 (as the call holds it) or 16")
            ->option_text("8|16");
    if (const std::optional<int> ended = options.parse(arguments))
        return ended;
    double seconds = 0;
    if (*fromGiven) {
        if (!parseNonNegative(from, seconds))
            return options.refuse();
        parsed.request.fromSeconds = seconds;
    }
    if (*toGiven) {
        if (!parseNonNegative(to, seconds))
            return options.refuse();
        parsed.request.toSeconds = seconds;
    }
    if (*bitsGiven) {
        if (bits != "8" && bits != "16")
            return options.refuse();
        parsed.request.wavBits = bits == "8" ? 8 : 16;
    }
    return std::nullopt;
}

} // namespace

int runConvert(const std::vector<std::string>& arguments) {
    ConvertArguments parsed;
    if (const std::optional<int> ended = parseArguments(arguments, parsed))
        return *ended;
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
