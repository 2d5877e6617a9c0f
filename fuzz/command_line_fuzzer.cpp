// The command line on arbitrary text: parseCommandLine must refuse what it cannot take with a
// message, and what it accepts must fit the fields the rest of the player relies on.

#include "app/CommandLine.h"
#include "support/SilentMessenger.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using kestrum::CommentMode;
using kestrum::ExportMode;
using kestrum::ExportVariant;
using kestrum::KeyCountMode;
using kestrum::KeywordMode;
using kestrum::Options;

void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "accepted command line breaks: %s\n", what);
        std::abort();
    }
}

bool isKeyOrEmpty(const std::string& key) {
    if (key.empty())
        return true;
    if (key.size() != 8)
        return false;
    for (const char c : key)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

template <class Mode> bool inRange(Mode mode, Mode last) {
    return static_cast<int>(mode) >= 0 && static_cast<int>(mode) <= static_cast<int>(last);
}

// The limits the option letters promise (see Options).
void checkAccepted(const Options& options) {
    require(options.recordingPath.size() < kestrum::kPathBufferSize, "F fits its field");
    require(options.recordedDateText.size() < 20, "D fits its field");
    require(options.recordedTimeText.size() < 20, "T fits its field");
    require(options.ridLabel.size() < 4, "N fits its field");
    for (const std::string& key : options.encryptionKeys)
        require(isKeyOrEmpty(key), "G keys are 8 letters or digits");
    // The parser casts the accepted numbers into the modes: none may fall outside their names.
    require(inRange(options.commentMode, CommentMode::AddNew), "C in 0-3");
    require(inRange(options.exportMode, ExportMode::Enabled), "E in 0-2");
    require(inRange(options.keywordMode, KeywordMode::Enabled), "S in 0-2");
    require(inRange(options.keyCountMode, KeyCountMode::All), "A in 0-3");
    require(inRange(options.exportVariant, ExportVariant::ExportList), "K in 0-1");
    require(options.hourValue >= -1 && options.hourValue <= 23, "H in -1..23");
    require(options.monthValue != 0 && options.dayValue != 0, "P and Q refuse 0");
    require(options.yearValue == -1 || (options.yearValue >= 2001 && options.yearValue <= 2100),
            "Z is -1 or 2001-2100");
    require(!options.viewerMode || (options.readOnly && options.exportMode == ExportMode::Hidden),
            "viewer mode is read-only and exports nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    kestrum::fuzz::SilentMessenger messenger;
    Options options;
    if (kestrum::parseCommandLine(text, options, messenger) == 0)
        checkAccepted(options);
    options.headerOverrides();
    return 0;
}
