#include "catalogue/CatalogueFile.h"

#include "catalogue/CatalogueError.h"
#include "platform/PrivateDirectory.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

// A catalogue's connection is used by one thread at a time (the disc menu hands it from the thread
// that opened it to the windows' thread): SQLite need not lock it around every call, which costs a
// long search much of its time.
constexpr int kOneThreadAtATime = SQLITE_OPEN_NOMUTEX;

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw CatalogueError("will not use the catalogue " + path + ": it " + why);
}

// The folder part and the name of a path ("." for a bare name).
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Checks an open catalogue file: a regular file of this user. With `tighten`, a file others
// may read or write is made the user's alone.
void checkOpenedFile(int fd, const std::string& path, bool tighten) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        refuse(path, std::string("cannot be examined (") + std::strerror(errno) + ")");
    if (!S_ISREG(info.st_mode))
        refuse(path, "is not a file");
    if (info.st_uid != ::geteuid())
        refuse(path, "belongs to another user");
    if (tighten && (info.st_mode & 077) != 0 && ::fchmod(fd, 0600) != 0)
        refuse(path, std::string("cannot be made private (") + std::strerror(errno) + ")");
}

// Opens the file with `flags` without following a link, checks it and closes it again: SQLite
// opens it itself, and a second descriptor closed later would drop SQLite's locks on it.
bool checkExisting(int folder, const std::string& name, const std::string& path, int flags, bool tighten) {
    const int fd = ::openat(folder, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return false;
        if (errno == ELOOP)
            refuse(path, "is a symbolic link");
        refuse(path, std::string("cannot be opened (") + std::strerror(errno) + ")");
    }
    try {
        checkOpenedFile(fd, path, tighten);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return true;
}

} // namespace

SqliteConnection openCatalogueForWriting(const std::string& path) {
    const auto [folderPath, name] = splitPath(path);
    if (name.empty())
        refuse(path, "names a folder, not a file");
    PrivateDirectory folder;
    switch (folder.open(folderPath)) {
    case PrivateDirectory::Status::Opened:
    case PrivateDirectory::Status::Created:
        break;
    case PrivateDirectory::Status::CreateFailed:
        throw CatalogueError("cannot make the folder " + folderPath +
                             " for the catalogue: " + std::strerror(errno));
    case PrivateDirectory::Status::Refused:
        throw CatalogueError("will not keep the catalogue in " + folderPath + ": it " + folder.refusal());
    }
    const int made =
        ::openat(folder.descriptor(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (made >= 0)
        ::close(made);
    else if (errno != EEXIST || !checkExisting(folder.descriptor(), name, path, O_RDWR, true))
        throw CatalogueError("cannot make the catalogue " + path + ": " + std::strerror(errno));
    return SqliteConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | kOneThreadAtATime);
}

SqliteConnection openCatalogueForReading(const std::string& path) {
    if (!checkExisting(AT_FDCWD, path, path, O_RDONLY, false))
        throw CatalogueError("there is no catalogue at " + path);
    return SqliteConnection(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW | kOneThreadAtATime);
}

} // namespace kestrum
