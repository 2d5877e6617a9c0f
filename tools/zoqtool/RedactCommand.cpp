#include "RedactCommand.h"

#include "CallAudio.h"
#include "CommandOptions.h"
#include "NumberArguments.h"
#include "audio/FrameClock.h"
#include "audio/KeyPresses.h"
#include "convert/RedactedCopy.h"
#include "platform/EscapedText.h"

#include <cstdio>
#include <sys/stat.h>

namespace zoqtool {

namespace {

using namespace kestrum;

constexpr const char* kUsage = "usage: zoqtool redact FILE OUT [--tones] [--section FROM TO]...";
// Silenced with each key press on either side: the receiver places a tone to a few milliseconds,
// and a key's tone fades in and out.
constexpr double kMarginSeconds = 0.05;

struct RedactArguments {
    std::string path;
    std::string output;
    bool tones = false;
    std::vector<std::pair<double, double>> sections; // seconds
};

std::optional<int> parseArguments(const std::vector<std::string>& arguments, RedactArguments& parsed) {
    CommandOptions options(kUsage, "Writes a copy of the call in which every telephone key press (with 50 ms "
                                   "on each side) and every section named is silence, for handing on a "
                                   "call without the numbers keyed in. The header, export header, "
                                   "comments and keywords are kept, and so is the sound outside the "
                                   "silenced stretches; the original is not changed.");
    std::vector<std::string> sections;
    options.app.add_option("FILE", parsed.path, "the recording")->required();
    options.app.add_option("OUT", parsed.output, "the copy to make: a new file (an existing one is refused)")
        ->required();
    options.app.add_flag("--tones", parsed.tones, "silence every key press");
    options.app.add_option("--section", sections, "silence from FROM to TO seconds of the call (repeatable)")
        ->expected(2)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->option_text("FROM TO");
    if (const std::optional<int> ended = options.parse(arguments))
        return ended;
    for (std::size_t i = 0; i + 1 < sections.size(); i += 2) {
        double from = 0, to = 0;
        if (!parseNonNegative(sections[i], from) || !parseNonNegative(sections[i + 1], to) || to <= from)
            return options.refuse("a section is FROM TO, in seconds, FROM before TO");
        parsed.sections.emplace_back(from, to);
    }
    if (!parsed.tones && parsed.sections.empty())
        return options.refuse("nothing to silence: give --tones, --section FROM TO, or both");
    return std::nullopt;
}

// OUT must be a new name: never the recording, never a file or link already there.
bool outputRefused(const std::string& path, const std::string& output) {
    struct stat out {};
    if (::lstat(output.c_str(), &out) != 0)
        return false;
    struct stat in {};
    const bool same = ::stat(path.c_str(), &in) == 0 && ::stat(output.c_str(), &out) == 0 &&
                      in.st_dev == out.st_dev && in.st_ino == out.st_ino;
    std::fprintf(stderr, "zoqtool: %s %s: nothing was written\n", escapeControlCharacters(output).c_str(),
                 same ? "is the recording itself" : "already exists");
    return true;
}

std::vector<SilencedFrames> stretchesToSilence(const RedactArguments& parsed,
                                               const std::vector<KeyPress>& presses,
                                               const FrameClock& clock) {
    std::vector<SilencedFrames> stretches;
    const std::uint64_t margin = clock.framesAt(kMarginSeconds);
    for (const KeyPress& press : presses)
        stretches.push_back(
            {press.start - std::min(press.start, margin), press.start + press.length + margin});
    for (const auto& [from, to] : parsed.sections)
        stretches.push_back({clock.framesAt(from), clock.framesAt(to)});
    return stretches;
}

int failed(const std::string& problem) {
    std::fprintf(stderr, "zoqtool: %s\n", escapeControlCharacters(problem).c_str());
    return 1;
}

} // namespace

int runRedact(const std::vector<std::string>& arguments) {
    RedactArguments parsed;
    if (const std::optional<int> ended = parseArguments(arguments, parsed))
        return *ended;
    if (outputRefused(parsed.path, parsed.output))
        return 1;
    RecordingState recording;
    SampleStore store;
    if (loadCallAudio(parsed.path, recording, store) != 0)
        return 1;
    const WaveFormat& format = recording.playbackFormat;
    const std::vector<KeyPress> presses =
        parsed.tones ? findKeyPresses(store.samples(), format) : std::vector<KeyPress>{};
    RedactedCopy copy;
    std::string error;
    if (!makeRedactedCopy(recording, store.samples(), stretchesToSilence(parsed, presses, FrameClock(format)),
                          copy, error))
        return failed(error);
    // What the copy sounds like is listened to once more before it is written.
    if (parsed.tones && !findKeyPresses(copy.sound, format).empty())
        return failed(parsed.output + " would still hold key presses: nothing was written");
    if (!writeNewFile(parsed.output, copy.fileBytes, error))
        return failed(error);
    std::printf("%zu key press%s and %zu section%s silenced\n", presses.size(),
                presses.size() == 1 ? "" : "es", parsed.sections.size(),
                parsed.sections.size() == 1 ? "" : "s");
    if (copy.compressed)
        std::printf(copy.writtenAsPcm
                        ? "written as 8-bit PCM: no silent frame of its format decodes to silence\n"
                        : "kept in its compressed format\n");
    if (copy.exportHeader)
        std::printf("export header kept, its checksums made again\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace zoqtool
