#include "app/Log.h"

#include "platform/EscapedText.h"
#include "platform/FormatText.h"
#include "platform/Messenger.h"
#include "platform/WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kestrum {

namespace {

void reportFailure(const std::string& path) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
}

} // namespace

std::string Log::formatLine(const std::string& versionText, std::time_t when, const std::string& message) {
    char time[21] = {};
    struct tm local {};
    ::localtime_r(&when, &local);
    std::strftime(time, 20, "%m/%d/%y %H:%M:%S", &local);
    // One line whatever the message holds: a path's line break cannot forge a line of its own.
    return formatText("%s %s %s\r\n", versionText.c_str(), time, escapeControlCharacters(message).c_str());
}

void Log::writeLog(const std::string& message) {
    if (env_.logPath.empty() || options_.viewerMode)
        return;
    const std::string line = formatLine(env_.versionText, std::time(nullptr), message);
    // Through the per-user directory held open, never by path: see Environment.
    const int folder = env_.userDirectory.descriptor();

    std::lock_guard<std::mutex> hold(mutex_);
    // Only the run that creates the file writes its first line. A file left without its whole
    // first line (a full disk) would never get it: it goes, and the next line makes it again.
    const int created =
        ::openat(folder, kLogFileName, O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (created >= 0) {
        const bool titled = writeAll(created, formatText("ZOQ %s\r\n", kProductTitle));
        ::close(created);
        if (!titled) {
            ::unlinkat(folder, kLogFileName, 0);
            return;
        }
    } else if (errno != EEXIST) {
        reportFailure(env_.logPath);
        return;
    }
    const int fd = ::openat(folder, kLogFileName, O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        reportFailure(env_.logPath);
        return;
    }
    // A line that does not fit (a full disk) is taken back, so the log holds whole lines only.
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (!writeAll(fd, line) && end >= 0 && ::ftruncate(fd, end) != 0)
        reportFailure(env_.logPath);
    ::close(fd);
}

} // namespace kestrum
