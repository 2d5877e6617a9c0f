#include "platform/TemporaryFile.h"

#include "platform/TerminationCleanup.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

constexpr int kNewFileFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
// A temporary file is named "<target>.part" and six letters.
constexpr char kNameMark[] = ".part";
constexpr std::size_t kNameLetters = 6;

// The start of a temporary file's name: the target's, cut where a longest name would not fit.
std::string nameStartFor(const std::string& targetName) {
    return targetName.substr(0, NAME_MAX - (sizeof kNameMark - 1) - kNameLetters) + kNameMark;
}

std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

TemporaryFile TemporaryFile::beside(const std::string& targetPath) {
    const auto [folderPath, targetName] = splitPath(targetPath);
    const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    TemporaryFile file(folder, folderPath, targetName);
    if (folder >= 0)
        file.create();
    return file;
}

TemporaryFile TemporaryFile::inFolder(int folderFd, const std::string& folderPath,
                                      const std::string& targetName) {
    TemporaryFile file(::fcntl(folderFd, F_DUPFD_CLOEXEC, 0), folderPath, targetName);
    if (file.folder_ >= 0)
        file.create();
    return file;
}

TemporaryFile::TemporaryFile(int folder, std::string folderPath, std::string targetName)
    : folder_(folder), folderPath_(std::move(folderPath)), targetName_(std::move(targetName)) {}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : folder_(other.folder_), folderPath_(std::move(other.folderPath_)),
      targetName_(std::move(other.targetName_)), name_(std::move(other.name_)), stream_(other.stream_),
      placed_(other.placed_) {
    other.folder_ = -1;
    other.stream_ = nullptr;
    other.name_.clear();
}

TemporaryFile::~TemporaryFile() {
    if (stream_ != nullptr)
        std::fclose(stream_);
    if (!placed_ && !name_.empty())
        ::unlinkat(folder_, name_.c_str(), 0);
    forgetOnTermination(folder_);
    if (folder_ >= 0)
        ::close(folder_);
}

bool TemporaryFile::create() {
    // A name nothing holds, so that nothing is removed or followed, and so that two writers of the
    // same target never share one.
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string candidate = nameStartFor(targetName_);
        for (std::size_t i = 0; i < kNameLetters; ++i)
            candidate += kLetters[pick(device)];
        // Kept for removal before it exists: a signal that comes just after the file is made
        // still finds it. (A name some other file holds is forgotten at once; the random letters
        // make that all but impossible.)
        removeOnTermination(folder_, candidate);
        fd = ::openat(folder_, candidate.c_str(), kNewFileFlags, 0600);
        if (fd >= 0) {
            name_ = candidate;
            break;
        }
        const int error = errno;
        forgetOnTermination(folder_);
        errno = error;
        if (error != EEXIST)
            break;
    }
    if (fd < 0)
        return false;
    stream_ = ::fdopen(fd, "w+b");
    if (stream_ == nullptr) {
        ::close(fd);
        return false;
    }
    return true;
}

std::string TemporaryFile::path() const {
    const std::string name =
        name_.empty() ? nameStartFor(targetName_) + std::string(kNameLetters, 'X') : name_;
    return folderPath_ == "/" ? "/" + name : folderPath_ + "/" + name;
}

void TemporaryFile::setMode(mode_t mode) {
    if (stream_ != nullptr)
        ::fchmod(::fileno(stream_), mode);
}

bool TemporaryFile::finishWriting() {
    if (stream_ == nullptr)
        return false;
    const bool written = std::fflush(stream_) == 0 && ::fsync(::fileno(stream_)) == 0;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return written && closed;
}

std::FILE* TemporaryFile::openForReading() const {
    const int fd = name_.empty() ? -1 : ::openat(folder_, name_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    std::FILE* stream = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (stream == nullptr && fd >= 0)
        ::close(fd);
    return stream;
}

bool TemporaryFile::replaceTarget() {
    return rename(0);
}

bool TemporaryFile::takeFreeName() {
    return rename(RENAME_NOREPLACE);
}

bool TemporaryFile::rename(unsigned flags) {
    if (name_.empty() || stream_ != nullptr ||
        ::renameat2(folder_, name_.c_str(), folder_, targetName_.c_str(), flags) != 0)
        return false;
    placed_ = true;
    forgetOnTermination(folder_);
    ::fsync(folder_);
    return true;
}

} // namespace kestrum
