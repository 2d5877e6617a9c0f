#include "platform/RewriteTarget.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

// As many as the system itself follows in one path.
constexpr int kMostLinksFollowed = 40;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ownedByUserOrRoot(const struct stat& info) {
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

// Why the link at `link` may not be followed, as a description of it; empty when it may be.
std::string distrustOf(const std::string& link, const struct stat& linkInfo) {
    if (!ownedByUserOrRoot(linkInfo))
        return "a symbolic link that belongs to another user";
    struct stat folder {};
    if (::stat(folderOf(link).c_str(), &folder) != 0)
        return std::string("a symbolic link in a folder that cannot be examined (") + std::strerror(errno) +
               ")";
    if (!ownedByUserOrRoot(folder))
        return "a symbolic link in a folder that belongs to another user";
    if ((folder.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "a symbolic link in a folder that other users can write";
    return {};
}

// What a link's text names, as a path: relative to the link's folder unless absolute.
std::string linkTargetOf(const std::string& link) {
    char text[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), text, sizeof text);
    if (length <= 0 || static_cast<std::size_t>(length) == sizeof text)
        return {};
    const std::string target(text, static_cast<std::size_t>(length));
    return target.front() == '/' ? target : folderOf(link) + "/" + target;
}

RewriteTarget targetAt(const std::string& path, std::string refusal = {}) {
    return {path, folderOf(path), nameOf(path), std::move(refusal)};
}

// The file the links lead to, once each of them is trusted.
RewriteTarget resolvedTarget(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return targetAt(path, std::string("is a symbolic link whose target cannot be found (") +
                                  std::strerror(errno) + ")");
    const std::string target = resolved.get();
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return targetAt(path, "leads to " + target + ", which is not a file");
    if (::faccessat(AT_FDCWD, folderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return targetAt(path, "leads to " + target + ", in a folder this user cannot write");
    return targetAt(target);
}

} // namespace

RewriteTarget rewriteTargetOf(const std::string& path) {
    std::string step = path;
    for (int followed = 0;; ++followed) {
        struct stat info {};
        // A path that names nothing (any more) is left to the rewrite to find missing.
        if (::lstat(step.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        if (followed == kMostLinksFollowed)
            return targetAt(path, "leads through more than 40 symbolic links");
        // What is said of the named path itself, or of a link it leads to.
        const auto said = [&](const std::string& what) {
            return followed == 0 ? "is " + what : "leads to " + step + ", " + what;
        };
        if (const std::string distrust = distrustOf(step, info); !distrust.empty())
            return targetAt(path, said(distrust));
        const std::string next = linkTargetOf(step);
        if (next.empty())
            return targetAt(path, said("a symbolic link that cannot be read"));
        step = next;
    }
    return step == path ? targetAt(path) : resolvedTarget(path);
}

} // namespace kestrum
