#include "app/ListeningSettings.h"

#include "platform/AtomicFile.h"
#include "platform/FormatText.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

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

void applyLine(ListeningAids& aids, const std::string& line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos)
        return;
    const std::string name = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    for (const Flag& flag : kFlags)
        if (name == flag.name)
            flagOf(aids, flag) = value == "1";
    if (name == "rewindSeconds" && value.size() == 1 && value[0] >= '0' && value[0] <= '9')
        aids.rewindSeconds = std::min(value[0] - '0', kLongestRewindSeconds);
}

} // namespace

ListeningAids readListeningSettings(const PrivateDirectory& folder, const std::string& name) {
    ListeningAids aids;
    if (!folder.isOpen())
        return aids;
    const int fd = folder.openForReading(name);
    if (fd < 0)
        return aids;
    std::string text(kLongestFile, '\0');
    const ssize_t got = ::read(fd, text.data(), text.size());
    ::close(fd);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        applyLine(aids, text.substr(start, end - start));
        start = end + 1;
    }
    return aids;
}

void writeListeningSettings(const PrivateDirectory& folder, const std::string& name,
                            const ListeningAids& aids, Reporter& reporter) {
    if (!folder.isOpen())
        return;
    std::string text;
    for (const Flag& flag : kFlags)
        text += formatText("%s=%d\n", flag.name, valueOf(aids, flag) ? 1 : 0);
    text += formatText("rewindSeconds=%d\n", aids.rewindSeconds);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (replaceFileContents(folder, name, std::span<const std::uint8_t>(bytes, text.size())) !=
        ReplaceResult::Replaced)
        reporter.logOnly("writeListeningSettings could not write to file %s", folder.pathOf(name).c_str());
}

} // namespace kestrum
