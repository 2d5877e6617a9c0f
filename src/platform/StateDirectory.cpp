#include "platform/StateDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

std::string absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

} // namespace

std::string homeDirectory() {
    std::string home = absoluteVariable("HOME");
    if (home.empty()) {
        const passwd* entry = ::getpwuid(::geteuid());
        if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/')
            home = entry->pw_dir;
    }
    return home;
}

bool isHomeDirectory(const std::string& directory) {
    const std::string home = homeDirectory();
    struct stat homeInfo {};
    struct stat info {};
    return !home.empty() && ::stat(home.c_str(), &homeInfo) == 0 && ::stat(directory.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode) && homeInfo.st_dev == info.st_dev && homeInfo.st_ino == info.st_ino;
}

std::string stateDirectoryOf(const std::string& program) {
    std::string base = absoluteVariable("XDG_STATE_HOME");
    if (base.empty()) {
        const std::string home = homeDirectory();
        if (home.empty())
            return {};
        base = home + (home.back() == '/' ? "" : "/") + ".local/state";
    }
    return base + (base.back() == '/' ? "" : "/") + program;
}

bool makeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace kestrum
