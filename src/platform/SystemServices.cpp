#include "platform/SystemServices.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

bool PosixSystemServices::currentDirectory(std::string& directory, std::size_t maxLength) {
    std::vector<char> buffer(maxLength + 1);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return false;
    directory = buffer.data();
    return true;
}

bool PosixSystemServices::userName(std::string& name, std::size_t maxLength) {
    std::string found;
    struct passwd entry {};
    struct passwd* result = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr)
        found = result->pw_name;
    else if (const char* user = std::getenv("USER"); user != nullptr)
        found = user; // a uid without a password entry, as in some containers
    if (found.empty() || found.size() > maxLength)
        return false;
    name = found;
    return true;
}

bool PosixSystemServices::osPlatformId(std::uint32_t& platformId) {
    struct utsname names {};
    if (::uname(&names) != 0)
        return false;
    platformId = kPlatformNtFamily;
    return true;
}

bool PosixSystemServices::computerName(std::string& name, std::size_t maxLength, int& error) {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) {
        error = errno;
        return false;
    }
    name.assign(buffer);
    if (name.size() > maxLength)
        name.resize(maxLength);
    return true;
}

} // namespace kestrum
