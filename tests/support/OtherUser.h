#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kestrum::test {

// Another local account, for tests of what someone else on the machine may have done first (made
// a folder, planted a link) or of the programs run as someone other than the tests' user. Only
// root can act as another user, so it is there only when the tests run as root (as in CI).
struct OtherUser {
    uid_t uid = 0;
    gid_t gid = 0;
    std::string name;
};
std::optional<OtherUser> otherUser();

// Gives `path` (not what a link points to) to the other user.
void handOver(const std::filesystem::path& path, const OtherUser& user);

// The command line that runs `program` as the other user (through setpriv), a member of `groups`
// besides their own group (of none when empty).
std::vector<std::string> commandAs(const OtherUser& user, const std::string& program,
                                   const std::vector<std::string>& arguments,
                                   const std::vector<gid_t>& groups = {});

// Everything a folder holds, to show it was left alone: each entry's kind, owner, mode, link
// target and bytes, by relative path.
using FolderContents = std::map<std::string, std::string>;
FolderContents folderContents(const std::filesystem::path& folder);

} // namespace kestrum::test
