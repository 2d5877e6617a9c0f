#include "platform/ProgramLocations.h"

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// The helper directory relative to the programs' directory, from the install layout (CMake).
#ifndef KESTRUM_HELPERS_FROM_BINDIR
#define KESTRUM_HELPERS_FROM_BINDIR "../lib/kestrum"
#endif

namespace kestrum {

namespace {

bool isUsable(const std::string& path, HelperUse use) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    return use == HelperUse::Copy || ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string ownExecutablePath() {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : std::string();
}

std::string helperDirectoryOf(const std::string& executablePath) {
    const std::size_t slash = executablePath.rfind('/');
    if (slash == std::string::npos)
        return {};
    return executablePath.substr(0, slash + 1) + KESTRUM_HELPERS_FROM_BINDIR;
}

std::string installedHelperDirectory() {
    return helperDirectoryOf(ownExecutablePath());
}

std::string findHelperProgram(const std::string& name, const HelperPlaces& places, HelperUse use) {
    for (const std::string* directory : {&places.workingDirectory, &places.helperDirectory}) {
        if (directory->empty())
            continue;
        const std::string path = *directory + "/" + name;
        if (isUsable(path, use))
            return path;
    }
    return {};
}

} // namespace kestrum
