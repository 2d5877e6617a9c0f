#include "app/ListeningSettings.h"

#include "platform/AtomicFile.h"
#include "platform/FormatText.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

constexpr std::size_t kLongestFile = 4096;

struct Flag {
    const char* name;
    bool ListeningAids::*outside;
    bool SoundFilterChoice::*filter;
};
constexpr Flag kFlags[] = {
    {"keepPitch", nullptr, &SoundFilterChoice::keepPitch},
    {"evenVoices", nullptr, &SoundFilterChoice::evenVoices},
    {"reduceNoise", nullptr, &SoundFilterChoice::reduceNoise},
    {"skipSilence", &ListeningAids::skipSilence, nullptr},
};

bool& flagOf(ListeningAids& aids, const Flag& flag) {
    return flag.filter != nullptr ? aids.filters.*flag.filter : aids.*flag.outside;
}

bool valueOf(const ListeningAids& aids, const Flag& flag) {
    return flag.filter != nullptr ? aids.filters.*flag.filter : aids.*flag.outside;
}

std::string nameOf(const std::string& line) {
    const std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

// The aids' own lines; every other line belongs to someone else and is kept as it is.
bool isAidLine(const std::string& line) {
    const std::string name = nameOf(line);
    return name == "rewindSeconds" || std::any_of(std::begin(kFlags), std::end(kFlags),
                                                  [&](const Flag& flag) { return name == flag.name; });
}

void applyLine(ListeningAids& aids, const std::string& line) {
    const std::string name = nameOf(line);
    if (name.empty())
        return;
    const std::string value = line.substr(name.size() + 1);
    for (const Flag& flag : kFlags)
        if (name == flag.name)
            flagOf(aids, flag) = value == "1";
    if (name == "rewindSeconds" && value.size() == 1 && value[0] >= '0' && value[0] <= '9')
        aids.rewindSeconds = std::min(value[0] - '0', kLongestRewindSeconds);
}

// The file's lines; none when it is missing, unreadable or a link, or the folder is not open.
std::vector<std::string> settingsLines(const PrivateDirectory& folder, const std::string& name) {
    std::vector<std::string> lines;
    if (!folder.isOpen())
        return lines;
    const int fd = folder.openForReading(name);
    if (fd < 0)
        return lines;
    std::string text(kLongestFile, '\0');
    const ssize_t got = ::read(fd, text.data(), text.size());
    ::close(fd);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

ListeningAids readListeningSettings(const PrivateDirectory& folder, const std::string& name) {
    ListeningAids aids;
    for (const std::string& line : settingsLines(folder, name))
        applyLine(aids, line);
    return aids;
}

std::string readSetting(const PrivateDirectory& folder, const std::string& name, const std::string& key) {
    std::string value;
    for (const std::string& line : settingsLines(folder, name))
        if (nameOf(line) == key)
            value = line.substr(key.size() + 1);
    return value;
}

void writeListeningSettings(const PrivateDirectory& folder, const std::string& name,
                            const ListeningAids& aids, Reporter& reporter) {
    if (!folder.isOpen())
        return;
    std::string text;
    for (const std::string& line : settingsLines(folder, name))
        if (!line.empty() && !isAidLine(line))
            text += line + '\n';
    for (const Flag& flag : kFlags)
        text += formatText("%s=%d\n", flag.name, valueOf(aids, flag) ? 1 : 0);
    text += formatText("rewindSeconds=%d\n", aids.rewindSeconds);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (replaceFileContents(folder, name, std::span<const std::uint8_t>(bytes, text.size())) !=
        ReplaceResult::Replaced)
        reporter.logOnly("writeListeningSettings could not write to file %s", folder.pathOf(name).c_str());
}

} // namespace kestrum
