#include "app/CommandLine.h"

#include "KestrumVersion.h"
#include "platform/FormatText.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <type_traits>

namespace kestrum {

namespace {

// A decimal number with optional leading white space and sign, up to the first non-digit; no
// digits read as 0. Values beyond the range of int saturate.
int readInteger(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

void trimTrailingBlanks(std::string& text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
}

bool isAsciiLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Stores a number accepted for a letter in its field, as the field's own type: the modes' values
// are numbered as the letters take them (see CommandLine.h), a flag is 0 or 1.
template <auto Field> void store(Options& options, int number) {
    using Value = std::remove_cvref_t<decltype(options.*Field)>;
    options.*Field = static_cast<Value>(number);
}

struct IntegerOption {
    void (*store)(Options&, int);
    int lowest;
    int highest;
};

// The integer letters with their accepted ranges. P and Q also refuse 0; Z accepts -1 or 2001-2100.
bool integerOption(char letter, IntegerOption& option) {
    switch (letter) {
    case 'A':
        option = {&store<&Options::keyCountMode>, 0, 3};
        return true;
    case 'B':
        option = {&store<&Options::extra2Value>, INT_MIN, INT_MAX};
        return true;
    case 'C':
        option = {&store<&Options::commentMode>, 0, 3};
        return true;
    case 'E':
        option = {&store<&Options::exportMode>, 0, 2};
        return true;
    case 'H':
        option = {&store<&Options::hourValue>, -1, 23};
        return true;
    case 'K':
        option = {&store<&Options::exportVariant>, 0, 1};
        return true;
    case 'L':
        option = {&store<&Options::secondValue>, -1, 59};
        return true;
    case 'M':
        option = {&store<&Options::minuteValue>, -1, 59};
        return true;
    case 'O':
        option = {&store<&Options::viewerMode>, 0, 1};
        return true;
    case 'P':
        option = {&store<&Options::monthValue>, -1, 12};
        return true;
    case 'Q':
        option = {&store<&Options::dayValue>, -1, 31};
        return true;
    case 'R':
        option = {&store<&Options::readOnly>, 0, 1};
        return true;
    case 'S':
        option = {&store<&Options::keywordMode>, 0, 2};
        return true;
    case 'U':
        option = {&store<&Options::costValue>, -1, INT_MAX};
        return true;
    case 'V':
        option = {&store<&Options::durationValue>, -1, INT_MAX};
        return true;
    case 'W':
        option = {&store<&Options::diskWriterValue>, INT_MIN, INT_MAX};
        return true;
    case 'X':
        option = {&store<&Options::compCodeValue>, -1, 99};
        return true;
    case 'Y':
        option = {&store<&Options::routeValue>, -1, 999};
        return true;
    case 'Z':
        option = {&store<&Options::yearValue>, -1, 2100};
        return true;
    default:
        return false;
    }
}

bool accepted(char letter, const IntegerOption& option, int value) {
    if (value < option.lowest || value > option.highest)
        return false;
    if ((letter == 'P' || letter == 'Q') && value == 0)
        return false;
    if (letter == 'Z' && value != -1 && value < 2001)
        return false;
    return true;
}

// A text option: trailing blanks removed; a value too long for its field is ignored.
void setTextOption(std::string value, std::string& field, std::size_t fieldSize) {
    trimTrailingBlanks(value);
    if (value.size() < fieldSize)
        field = value;
}

int parseEncryptionKeys(std::string value, Options& options, Messenger& messenger) {
    trimTrailingBlanks(value);
    const std::size_t length = value.size();
    if (length % 8 != 0) {
        messenger.showError(formatText("G got length error from %s", value.c_str()));
        return 1;
    }
    // 8 characters set key 1, 16 keys 1 and 2, exactly 24 all three; 32 or more only keys 1 and 2.
    const std::size_t keys = length >= 16 ? (length == 24 ? 3 : 2) : (length >= 8 ? 1 : 0);
    for (std::size_t k = 0; k < keys; ++k) {
        const std::string key = value.substr(k * 8, 8);
        for (const char c : key) {
            if (!isAsciiLetterOrDigit(c)) {
                messenger.showError(formatText("G non Alpha Numeric %c", c));
                return 1;
            }
        }
        options.encryptionKeys[k] = key;
    }
    return 0;
}

int parseOption(const std::string& piece, Options& options, Messenger& messenger) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(piece[0])));
    const std::string value = piece.substr(1);

    IntegerOption integer{};
    if (integerOption(letter, integer)) {
        const int number = readInteger(value);
        if (!accepted(letter, integer, number)) {
            messenger.showError(formatText("%c got %d from %s", letter, number, value.c_str()));
            return 1;
        }
        integer.store(options, number);
        return 0;
    }
    switch (letter) {
    case 'D':
        setTextOption(value, options.recordedDateText, 20);
        return 0;
    case 'F':
        setTextOption(value, options.recordingPath, kPathBufferSize);
        return 0;
    case 'N':
        setTextOption(value, options.ridLabel, 4);
        return 0;
    case 'T':
        setTextOption(value, options.recordedTimeText, 20);
        return 0;
    case 'G':
        return parseEncryptionKeys(value, options, messenger);
    default:
        // I, J, digits, quotes and every other sign: the piece itself is the message.
        messenger.showInformation(piece);
        return 1;
    }
}

} // namespace

HeaderOverrides Options::headerOverrides() const {
    HeaderOverrides values;
    values.day = dayValue;
    values.month = monthValue;
    values.year = yearValue;
    values.second = secondValue;
    values.minute = minuteValue;
    values.hour = hourValue;
    values.cost = costValue;
    values.duration = durationValue;
    values.compCode = compCodeValue;
    values.route = routeValue;
    values.extra2 = extra2Value;
    return values;
}

int parseCommandLine(const std::string& commandLine, Options& options, Messenger& messenger) {
    std::string text = commandLine.substr(0, kCommandLineBufferSize - 1);
    options.recordingPath.clear();
    options.recordedDateText.clear();
    options.recordedTimeText.clear();
    options.exportMode = ExportMode::Hidden;
    options.keywordMode = KeywordMode::Hidden;
    options.commentMode = CommentMode::Hidden;

    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == '"' || text.back() == ' '))
        text.pop_back();

    if (text.find('^') == std::string::npos) {
        if (text.size() < kPathBufferSize)
            options.recordingPath = (!text.empty() && text[0] == '"') ? text.substr(1) : text;
        return 0;
    }

    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('^', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start && parseOption(text.substr(start, end - start), options, messenger) != 0)
            return 1;
        start = end + 1;
    }

    if (options.viewerMode) {
        options.readOnly = true;
        options.exportMode = ExportMode::Hidden;
    }
    return 0;
}

std::string joinArguments(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    return text;
}

InformationRequest informationRequestOf(int argc, const char* const* argv) {
    if (argc != 2)
        return InformationRequest::None;
    const std::string_view argument = argv[1];
    if (argument == "--help")
        return InformationRequest::Help;
    if (argument == "--version")
        return InformationRequest::Version;
    return InformationRequest::None;
}

std::string versionLine(const char* program) {
    return formatText("%s %d.%d.%d.%d", program, KESTRUM_VERSION_MAJOR, KESTRUM_VERSION_MINOR,
                      KESTRUM_VERSION_PATCH, KESTRUM_VERSION_TWEAK);
}

int answerInformationRequest(InformationRequest request, const char* program, const std::string& usage) {
    const std::string answer = request == InformationRequest::Help ? usage : versionLine(program) + "\n";
    const bool written = std::fputs(answer.c_str(), stdout) >= 0;
    return std::fflush(stdout) == 0 && written ? 0 : 1;
}

} // namespace kestrum
