#include "app/ResumePositions.h"

#include "platform/AtomicFile.h"
#include "platform/FormatText.h"

#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

constexpr std::size_t kLongestFile = 1 << 20;

struct Entry {
    CallIdentity call;
    double seconds = 0;
};

// Lines that do not read as an entry are dropped.
std::vector<Entry> readEntries(const PrivateDirectory& folder) {
    std::vector<Entry> entries;
    if (!folder.isOpen())
        return entries;
    const int fd = folder.openForReading(kResumeFileName);
    if (fd < 0)
        return entries;
    std::string text(kLongestFile, '\0');
    std::size_t got = 0;
    for (ssize_t n = 0; got < text.size() && (n = ::read(fd, text.data() + got, text.size() - got)) > 0;)
        got += static_cast<std::size_t>(n);
    ::close(fd);
    text.resize(got);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find(' ');
        const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second == std::string::npos || second + 1 >= line.size() || line[second + 1] != '/')
            continue;
        Entry entry;
        entry.call.size = std::strtoull(line.c_str(), nullptr, 10);
        entry.seconds = std::strtod(line.c_str() + first + 1, nullptr);
        entry.call.path = line.substr(second + 1);
        if (entry.seconds >= 0)
            entries.push_back(std::move(entry));
    }
    return entries;
}

bool sameCall(const CallIdentity& a, const CallIdentity& b) {
    return a.size == b.size && a.path == b.path;
}

} // namespace

std::optional<double> resumeSecondsOf(const PrivateDirectory& folder, const CallIdentity& call) {
    std::optional<double> found;
    for (const Entry& entry : readEntries(folder))
        if (sameCall(entry.call, call))
            found = entry.seconds;
    return found;
}

void keepResumeSeconds(const PrivateDirectory& folder, const CallIdentity& call,
                       std::optional<double> seconds, Reporter& reporter) {
    // A path with a line break in it would not read back as one entry.
    if (!folder.isOpen() || call.path.find('\n') != std::string::npos)
        return;
    std::vector<Entry> entries = readEntries(folder);
    std::erase_if(entries, [&](const Entry& entry) { return sameCall(entry.call, call); });
    if (seconds)
        entries.push_back({call, *seconds});
    if (entries.size() > kResumeCallsKept)
        entries.erase(entries.begin(), entries.end() - static_cast<long>(kResumeCallsKept));
    std::string text;
    for (const Entry& entry : entries)
        text += formatText("%llu %.1f ", static_cast<unsigned long long>(entry.call.size), entry.seconds) +
                entry.call.path + "\n";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (replaceFileContents(folder, kResumeFileName, std::span<const std::uint8_t>(bytes, text.size())) !=
        ReplaceResult::Replaced)
        reporter.logOnly("keepResumeSeconds could not write to file %s",
                         folder.pathOf(kResumeFileName).c_str());
}

} // namespace kestrum
