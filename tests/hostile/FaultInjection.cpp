#include "hostile/FaultInjection.h"

#include "support/TempDir.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <stdexcept>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrum::test {

namespace {

bool writeText(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

// In a fresh user and mount namespace, where this process may mount, `directory` becomes a
// read-only view of itself; the rest of the system is untouched.
bool makeReadOnly(const std::string& directory) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return false;
    writeText("/proc/self/setgroups", "deny");
    if (!writeText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !writeText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return false;
    return ::mount(directory.c_str(), directory.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           ::mount(nullptr, directory.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// The folder whose reading fails, by device and inode, while a FailingFolder lives.
struct FolderFault {
    std::atomic<bool> armed{false};
    dev_t device = 0;
    ino_t inode = 0;
    int error = 0;
};
FolderFault folderFault;

} // namespace

FailingFolder::FailingFolder(const std::string& folder, int error) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        throw std::runtime_error("no folder " + folder);
    folderFault.device = info.st_dev;
    folderFault.inode = info.st_ino;
    folderFault.error = error;
    folderFault.armed = true;
}

FailingFolder::~FailingFolder() {
    folderFault.armed = false;
}

std::optional<std::string> runHampered(const Hindrance& hindrance, const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    std::fflush(nullptr); // nothing buffered may be written twice
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (!hindrance.readOnlyDirectory.empty() && !makeReadOnly(hindrance.readOnlyDirectory))
            ::_exit(3);
        if (hindrance.fileSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{*hindrance.fileSizeLimit, *hindrance.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(3);
        }
        const std::string report = body();
        std::size_t done = 0;
        while (done < report.size()) {
            const ssize_t n = ::write(pipeFds[1], report.data() + done, report.size() - done);
            if (n <= 0)
                ::_exit(4);
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return report;
}

bool readOnlyDirectoriesWork() {
    static const bool work = [] {
        TempDir dir;
        const std::optional<std::string> said = runHampered({std::nullopt, dir.path().string()}, [&] {
            const int fd = ::open(dir.file("probe").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            return fd < 0 && errno == EROFS ? std::string("read-only") : std::string("writable");
        });
        return said == "read-only";
    }();
    return work;
}

std::vector<std::string> hamperedCommand(const Hindrance& hindrance, const std::string& program,
                                         const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {"/bin/bash", "-c", "trap '' XFSZ; exec \"$@\"", "bash"};
    if (hindrance.fileSizeLimit) {
        const std::string limit = std::to_string(*hindrance.fileSizeLimit);
        command.insert(command.end(), {"prlimit", "--fsize=" + limit + ":" + limit});
    }
    if (!hindrance.readOnlyDirectory.empty())
        command.insert(
            command.end(),
            {"unshare", "--user", "--map-root-user", "--mount", "/bin/sh", "-c",
             "d=$1; shift; mount --bind \"$d\" \"$d\" && mount -o remount,bind,ro \"$d\" && exec \"$@\"",
             "sh", hindrance.readOnlyDirectory});
    command.push_back(program);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

} // namespace kestrum::test

// Every readdir of the test program comes here first.
extern "C" dirent* readdir(DIR* listing) {
    using Readdir = dirent* (*)(DIR*);
    static const auto next = reinterpret_cast<Readdir>(::dlsym(RTLD_NEXT, "readdir"));
    using kestrum::test::folderFault;
    if (folderFault.armed) {
        struct stat info {};
        if (::fstat(::dirfd(listing), &info) == 0 && info.st_dev == folderFault.device &&
            info.st_ino == folderFault.inode) {
            errno = folderFault.error;
            return nullptr;
        }
    }
    return next(listing);
}
