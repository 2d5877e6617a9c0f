#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace makezoq {

// A keyword and the seconds from the start of the audio where it was heard.
struct KeywordTimes {
    std::string word;
    std::vector<double> seconds;
};

// Everything the command line says about the recording to make. Header fields left empty keep
// the defaults the recording is given (see RecordingFile.cpp).
struct MakeOptions {
    std::string wavPath;
    std::string outputPath;
    std::optional<int> version; // 9, 10 or 11; by default 10 for compressed audio, else 11
    double repeatToSeconds = 0; // 0: the audio once
    std::vector<std::string> comments;
    std::vector<KeywordTimes> keywords;

    std::string rid = "DEMO0001";
    std::string firstName;
    std::string lastName;
    std::string dialledNumber;
    std::string stationName;
    std::string systemName;
    std::uint32_t site = 0;
    // Date and time of the call; unset means the time makezoq runs.
    std::optional<int> year, month, day;
    std::optional<int> hour, minute, second;
    std::int32_t cost = 0;
    std::optional<int> durationSeconds; // unset: the audio's length
};

// Reads the arguments after the program name. On a usage error returns nothing and puts the
// reason in `error`.
std::optional<MakeOptions> parseMakeOptions(const std::vector<std::string>& arguments, std::string& error);

// The usage text, one option a line.
const char* usageText();

} // namespace makezoq
