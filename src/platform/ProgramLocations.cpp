#include "platform/ProgramLocations.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>
#include <vector>

// The helper directory relative to the programs' directory, from the install layout (CMake).
#ifndef KESTRUM_HELPERS_FROM_BINDIR
#define KESTRUM_HELPERS_FROM_BINDIR "../lib/kestrum"
#endif

namespace kestrum {

namespace {

// The absolute folders of PATH, in order (the system's default path when PATH is not set).
std::vector<std::string> absoluteSearchPath() {
    const char* variable = std::getenv("PATH");
    std::string value = variable != nullptr ? variable : "";
    if (variable == nullptr) {
        value.resize(::confstr(_CS_PATH, nullptr, 0));
        if (!value.empty()) {
            ::confstr(_CS_PATH, value.data(), value.size());
            value.pop_back(); // confstr's terminating NUL
        }
    }
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t colon = std::min(value.find(':', start), value.size());
        const std::string folder = value.substr(start, colon - start);
        if (!folder.empty() && folder.front() == '/')
            folders.push_back(folder);
        start = colon + 1;
    }
    return folders;
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

FoundProgram::FoundProgram(FoundProgram&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), refusals_(std::move(other.refusals_)) {
    other.fd_ = -1;
}

FoundProgram& FoundProgram::operator=(FoundProgram&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        refusals_ = std::move(other.refusals_);
        other.fd_ = -1;
    }
    return *this;
}

FoundProgram::~FoundProgram() {
    if (fd_ >= 0)
        ::close(fd_);
}

void FoundProgram::lookIn(const std::string& directory, const std::string& name, HelperUse use,
                          LinkRule links) {
    if (found() || directory.empty())
        return;
    std::string refusal;
    const ProgramCheck check = openTrustedProgram(directory, name, use, links, fd_, refusal);
    if (check == ProgramCheck::Trusted)
        path_ = directory.back() == '/' ? directory + name : directory + "/" + name;
    else if (check == ProgramCheck::Refused)
        refusals_ += (refusals_.empty() ? "" : "; ") + refusal;
}

FoundProgram findHelperProgram(const std::string& name, const HelperPlaces& places, HelperUse use) {
    FoundProgram program;
    program.lookIn(places.workingDirectory, name, use, LinkRule::Refuse);
    program.lookIn(places.helperDirectory, name, use, LinkRule::Follow);
    if (use == HelperUse::Start)
        for (const std::string& folder : absoluteSearchPath())
            program.lookIn(folder, name, use, LinkRule::Follow);
    return program;
}

} // namespace kestrum
