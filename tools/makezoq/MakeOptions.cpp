#include "MakeOptions.h"

#include "recording/RecordingHeaders.h"
#include "recording/ScannedWord.h"
#include "recording/Windows1252.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <tuple>

namespace makezoq {

namespace {

using kestrum::Vrh3;

// The longest text a NUL-terminated header field of this type holds.
template <class Field> constexpr std::size_t maxText() {
    return std::tuple_size_v<Field> - 1;
}

constexpr std::size_t kMaxRidLength = 14; // the reader stops a recording id after 14 characters
constexpr std::size_t kMaxPositions = std::tuple_size_v<decltype(kestrum::ScannedWord::positions)>;

std::optional<long long> parseInteger(const std::string& text, long long min, long long max) {
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> parseSeconds(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

// Splits "a<sep>b<sep>c" into its parts, empty parts included.
std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

// Three numbers joined by `separator` within the given ranges, e.g. 2004-03-05 or 09:07:02.
std::optional<std::array<int, 3>> parseTriple(const std::string& text, char separator,
                                              const std::array<std::array<int, 2>, 3>& ranges) {
    const std::vector<std::string> parts = split(text, separator);
    if (parts.size() != 3)
        return std::nullopt;
    std::array<int, 3> values{};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto value = parseInteger(parts[i], ranges[i][0], ranges[i][1]);
        if (!value)
            return std::nullopt;
        values[i] = static_cast<int>(*value);
    }
    return values;
}

// An option's text as the recording stores it (Windows-1252); false with the reason in `error`
// when the code page lacks one of its characters.
bool storedText(const std::string& typed, const std::string& name, std::string& stored, std::string& error) {
    const kestrum::Windows1252Text text = kestrum::utf8ToWindows1252(typed);
    if (text.refused) {
        error = name + ": a recording cannot hold \"" + kestrum::utf8Character(*text.refused) +
                "\", only Windows-1252 characters";
        return false;
    }
    stored = text.stored;
    return true;
}

bool isLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// WORD:SECONDS[,SECONDS...]; the word may itself hold colons, the seconds come after the last.
std::optional<KeywordTimes> parseKeyword(const std::string& text, std::string& error) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        error = "--keyword wants WORD:SECONDS[,SECONDS...], not '" + text + "'";
        return std::nullopt;
    }
    KeywordTimes keyword;
    const std::string typedWord = text.substr(0, colon);
    if (!storedText(typedWord, "--keyword", keyword.word, error))
        return std::nullopt;
    if (keyword.word.size() > kestrum::kMaxKeywordLength) {
        error = "keyword '" + typedWord + "' is longer than " + std::to_string(kestrum::kMaxKeywordLength) +
                " characters";
        return std::nullopt;
    }
    for (const std::string& part : split(text.substr(colon + 1), ',')) {
        const auto seconds = parseSeconds(part);
        // A stored position of 0 ends the keyword's list, so the very start cannot be marked.
        if (!seconds || *seconds <= 0) {
            error = "keyword '" + typedWord + "': '" + part + "' is not a number of seconds above 0";
            return std::nullopt;
        }
        keyword.seconds.push_back(*seconds);
    }
    if (keyword.seconds.size() > kMaxPositions) {
        error = "keyword '" + typedWord + "' has more than " + std::to_string(kMaxPositions) + " times";
        return std::nullopt;
    }
    return keyword;
}

// Stores a text option into `field` after checking it fits the header field it goes to.
std::function<bool(const std::string&, std::string&)> textInto(std::string& field, const char* name,
                                                               std::size_t maxLength) {
    return [&field, name, maxLength](const std::string& value, std::string& error) {
        std::string stored;
        if (!storedText(value, name, stored, error))
            return false;
        if (stored.size() > maxLength) {
            error = std::string(name) + " is at most " + std::to_string(maxLength) + " characters";
            return false;
        }
        field = stored;
        return true;
    };
}

using Handler = std::function<bool(const std::string&, std::string&)>;

// Stores a whole-number option into `field` when it is from `min` to `max`; else says `why`.
template <class Field> Handler wholeNumberInto(Field& field, long long min, long long max, std::string why) {
    return [&field, min, max, why](const std::string& value, std::string& error) {
        const auto number = parseInteger(value, min, max);
        if (!number) {
            error = why;
            return false;
        }
        if constexpr (requires { field.has_value(); })
            field = static_cast<int>(*number);
        else
            field = static_cast<Field>(*number);
        return true;
    };
}

// Stores a date or a time option (`form`: "YYYY-MM-DD", "HH:MM:SS") into its three fields.
Handler tripleInto(std::array<std::optional<int>*, 3> fields, char separator,
                   const std::array<std::array<int, 2>, 3>& ranges, std::string name, std::string form) {
    return [fields, separator, ranges, name, form](const std::string& value, std::string& error) {
        const auto parts = parseTriple(value, separator, ranges);
        if (!parts) {
            error = name + " wants " + form + ", not '" + value + "'";
            return false;
        }
        for (std::size_t i = 0; i < 3; ++i)
            *fields[i] = (*parts)[i];
        return true;
    };
}

// The options of the call's audio, comments and keywords.
void addContentOptions(MakeOptions& options, std::map<std::string, Handler>& handlers) {
    handlers["--version"] = wholeNumberInto(options.version, 9, 11, "--version is 9, 10 or 11");
    handlers["--repeat-to"] = [&](const std::string& value, std::string& why) {
        const auto seconds = parseSeconds(value);
        if (!seconds) {
            why = "--repeat-to wants a number of seconds, not '" + value + "'";
            return false;
        }
        options.repeatToSeconds = *seconds;
        return true;
    };
    handlers["--comment"] = [&](const std::string& value, std::string& why) {
        std::string stored;
        if (!storedText(value, "--comment", stored, why))
            return false;
        options.comments.push_back(stored);
        return true;
    };
    handlers["--keyword"] = [&](const std::string& value, std::string& why) {
        if (options.keywords.size() == kestrum::kMaxScannedWords) {
            why = "at most " + std::to_string(kestrum::kMaxScannedWords) + " keywords";
            return false;
        }
        auto keyword = parseKeyword(value, why);
        if (keyword)
            options.keywords.push_back(std::move(*keyword));
        return keyword.has_value();
    };
}

// The options of the header's fields.
void addHeaderOptions(MakeOptions& options, std::map<std::string, Handler>& handlers) {
    handlers["--rid"] = [&](const std::string& value, std::string& why) {
        bool valid = !value.empty() && value.size() <= kMaxRidLength;
        for (const char c : value)
            valid = valid && isLetterOrDigit(c);
        if (!valid) {
            why = "--rid is 1 to " + std::to_string(kMaxRidLength) + " letters and digits";
            return false;
        }
        options.rid = value;
        return true;
    };
    handlers["--first"] = textInto(options.firstName, "--first", maxText<decltype(Vrh3::firstName)>());
    handlers["--last"] = textInto(options.lastName, "--last", maxText<decltype(Vrh3::lastName)>());
    handlers["--dialled"] = textInto(options.dialledNumber, "--dialled", maxText<decltype(Vrh3::destAni)>());
    handlers["--station"] =
        textInto(options.stationName, "--station", maxText<decltype(Vrh3::stationName)>());
    handlers["--system"] = textInto(options.systemName, "--system", maxText<decltype(Vrh3::system)>());
    handlers["--site"] = wholeNumberInto(options.site, 0, UINT32_MAX,
                                         "--site wants a number from 0 to " + std::to_string(UINT32_MAX));
    handlers["--date"] = tripleInto({&options.year, &options.month, &options.day}, '-',
                                    {{{1, 32767}, {1, 12}, {1, 31}}}, "--date", "YYYY-MM-DD");
    handlers["--time"] = tripleInto({&options.hour, &options.minute, &options.second}, ':',
                                    {{{0, 23}, {0, 59}, {0, 59}}}, "--time", "HH:MM:SS");
    handlers["--cost"] = wholeNumberInto(
        options.cost, 0, INT32_MAX, "--cost wants a whole number from 0 to " + std::to_string(INT32_MAX));
    handlers["--duration"] =
        wholeNumberInto(options.durationSeconds, 0, INT16_MAX,
                        "--duration wants whole seconds from 0 to " + std::to_string(INT16_MAX));
}

} // namespace

const char* usageText() {
    return "usage: makezoq IN.wav OUT.ZOQ [options]\n"
           "  --version 9|10|11         9: 8-bit PCM at 8000 Hz; 10: compressed audio as stored in the WAV;\n"
           "                            11: 8-bit PCM at the WAV's rate (default 10 or 11 by the WAV)\n"
           "  --repeat-to SECONDS       repeat the audio, in whole blocks, to at least SECONDS\n"
           "  --comment TEXT            a comment line (repeatable)\n"
           "  --keyword WORD:S[,S...]   a keyword heard S seconds from the start (repeatable)\n"
           "  --rid ID                  recording id, up to 14 letters and digits (default DEMO0001)\n"
           "  --first NAME, --last NAME caller's names\n"
           "  --dialled NUMBER          the number dialled\n"
           "  --station NAME            the station name\n"
           "  --system NAME             the recording system's name\n"
           "  --site NUMBER             the site number\n"
           "  --date YYYY-MM-DD         date of the call (default today)\n"
           "  --time HH:MM:SS           time of the call (default now)\n"
           "  --cost N                  cost of the call\n"
           "  --duration SECONDS        duration of the call (default the audio's length)\n";
}

std::optional<MakeOptions> parseMakeOptions(const std::vector<std::string>& arguments, std::string& error) {
    MakeOptions options;
    std::map<std::string, Handler> handlers;
    addContentOptions(options, handlers);
    addHeaderOptions(options, handlers);

    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            paths.push_back(argument);
            continue;
        }
        const auto handler = handlers.find(argument);
        if (handler == handlers.end()) {
            error = "unknown option " + argument;
            return std::nullopt;
        }
        if (i + 1 == arguments.size()) {
            error = argument + " needs a value";
            return std::nullopt;
        }
        if (!handler->second(arguments[++i], error))
            return std::nullopt;
    }
    if (paths.size() != 2) {
        error = "give one WAV file and one recording to make";
        return std::nullopt;
    }
    options.wavPath = paths[0];
    options.outputPath = paths[1];
    return options;
}

} // namespace makezoq
