#include "app/Log.h"

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

void reportOpenFailure(const std::string& path) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
}

} // namespace

std::string Log::formatLine(const std::string& versionText, std::time_t when, const std::string& message) {
    char time[21] = {};
    struct tm local {};
    ::localtime_r(&when, &local);
    std::strftime(time, 20, "%m/%d/%y %H:%M:%S", &local);
    return formatText("%s %s %s\r\n", versionText.c_str(), time, message.c_str());
}

void Log::writeLog(const std::string& message) {
    if (env_.logPath.empty() || env_.viewerMode)
        return;
    const std::string line = formatLine(env_.versionText, std::time(nullptr), message);
    const char* path = env_.logPath.c_str();

    std::lock_guard<std::mutex> hold(mutex_);
    // Only the run that creates the file writes its first line.
    const int created = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (created >= 0) {
        writeAll(created, formatText("ZOQ %s\r\n", kProductTitle));
        ::close(created);
    } else if (errno != EEXIST) {
        reportOpenFailure(env_.logPath);
        return;
    }
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        reportOpenFailure(env_.logPath);
        return;
    }
    writeAll(fd, line);
    ::close(fd);
}

} // namespace kestrum
