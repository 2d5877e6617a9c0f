#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::test {

// A recording made wrong on purpose, with what each program must make of it. "%s" in a message
// stands for the file's path.
struct HostileFile {
    std::string name;
    std::vector<std::uint8_t> bytes;

    // zoqtool info: the reader's message (exit 1; zoqtool decode fails with it too), or nothing.
    std::optional<std::string> infoFailure;
    // zoqtool decode of a file that reads: the message, or its start when it ends in "..." (exit
    // 1); or else the number of samples the WAV file holds (exit 0).
    std::optional<std::string> decodeFailure;
    long decodedSamples = 0;
    // The player, given `playerPrefix` before the path ("^O1^F" for viewer mode): plays, or ends
    // with its exit code and message (exactly, or its start when it ends in "...").
    bool inPlayer = true; // false where another file already takes the player down the same path
    std::string playerPrefix = "^F";
    bool plays = false;
    int playerExitCode = 0;
    std::string playerMessage;
};

// Lengths and counts past the end, unknown versions, an export header without a recording header,
// audio counts larger than the file, wave formats with zero rates or block sizes, no audio at all.
std::vector<HostileFile> hostileFiles();

// `message` with "%s" replaced by `path`.
std::string withPath(const std::string& message, const std::string& path);
// True when what a program printed ends with the line(s) of `expected`, or, when that ends in
// "...", a line of it starts with the rest.
bool endsWithMessage(const std::string& printed, const std::string& expected);
// True when `text` is `expected`, or starts with it less its "..." when it ends so.
bool messageMatches(const std::string& text, const std::string& expected);

} // namespace kestrum::test
