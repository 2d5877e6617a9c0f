#include "export/ExportList.h"

#include "platform/FormatText.h"
#include "platform/WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Copies a file to a target that must not exist yet, keeping its permissions. False on failure;
// a partial target is removed.
bool copyNewFile(const std::string& source, const std::string& target) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat info {};
    ::fstat(in, &info);
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777);
    if (out < 0) {
        ::close(in);
        return false;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 || (got > 0 && !writeAll(out, buffer.data(), static_cast<std::size_t>(got)))) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
    }
    ::close(in);
    if (::close(out) != 0)
        ok = false;
    if (!ok)
        ::unlink(target.c_str());
    return ok;
}

} // namespace

std::string temporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string directory = tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
    if (directory.back() != '/')
        directory += '/';
    return directory;
}

std::string exportListDirectory(const std::string& userName) { return temporaryDirectory() + userName; }

int dataExportCheckDirectory(const std::string& directory, Reporter& reporter) {
    const std::string recordings = directory + "/Recs";
    int made = 0;
    if (!isDirectory(directory)) {
        if (::mkdir(directory.c_str(), 0755) != 0) {
            reporter.fail("dataExportCheckDirectory error could not create %s", directory.c_str());
            return 2;
        }
        made = 1;
    }
    if (!isDirectory(recordings) && ::mkdir(recordings.c_str(), 0755) != 0) {
        reporter.fail("dataExportCheckDirectory error could not create %s", recordings.c_str());
        return 2;
    }
    return made;
}

int createAutoRunFile(const std::string& directory, Reporter& reporter) {
    const std::string path = directory + "/AutoRun.Inf";
    if (exists(path))
        return 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return reporter.fail("createAutoRunFile could not open %s", path.c_str());
    const char* lines[] = {"[autorun]\r\n", "open=Vantrel.Exe\r\n", "icon=Vantrel.Exe\r\n"};
    for (int i = 0; i < 3; ++i) {
        const std::size_t length = std::char_traits<char>::length(lines[i]);
        if (std::fwrite(lines[i], 1, length, file) != length) {
            std::fclose(file);
            return reporter.fail("createAutoRunFile could not write %d %s", i + 1, path.c_str());
        }
    }
    if (std::fclose(file) != 0)
        return reporter.fail("createAutoRunFile could not write 3 %s", path.c_str());
    return 0;
}

int copyProgramFile(const std::string& directory, const std::string& workingDirectory,
                    const std::string& ownExecutable, Reporter& reporter) {
    for (const char* program : {kDiscMenuProgram, kDiscPlayerProgram}) {
        const std::string target = directory + "/" + program;
        if (exists(target))
            continue;
        std::string source = workingDirectory + "/" + program;
        if (!exists(source) && std::string(program) == kDiscPlayerProgram && !ownExecutable.empty())
            source = ownExecutable;
        if (!copyNewFile(source, target))
            return reporter.fail("copyProgramFile from %s to %s failed", source.c_str(), target.c_str());
    }
    return 0;
}

int deleteAllFiles(const std::string& directory, bool checkOnly, Reporter& reporter) {
    if (directory.empty())
        return 2;
    const std::string pattern = directory + "/*.*";
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) {
        reporter.fail("deleteAllFiles FindFirstFile failed %s", pattern.c_str());
        reporter.logOnly("%s", pattern.c_str());
        return 2;
    }
    int result = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string path = directory + "/" + entry->d_name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            reporter.fail("deleteAllFiles GetFileAttributes failed %s", path.c_str());
            result = 2;
            break;
        }
        if (S_ISDIR(info.st_mode))
            continue;
        if (checkOnly) {
            result = 1;
            break;
        }
        if (::unlink(path.c_str()) != 0) {
            reporter.fail("deleteAllFiles Remove %s failed", path.c_str());
            result = 2;
            break;
        }
    }
    ::closedir(listing);
    return result;
}

int countListedRecordings(const std::string& recordingsDirectory) {
    DIR* listing = ::opendir(recordingsDirectory.c_str());
    if (listing == nullptr)
        return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && ::strcasecmp(name.c_str() + name.size() - 4, ".ZOQ") == 0)
            ++count;
    }
    ::closedir(listing);
    return count;
}

std::string ownExecutablePath() {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : std::string();
}

} // namespace kestrum
