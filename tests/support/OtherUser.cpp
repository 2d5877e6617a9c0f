#include "support/OtherUser.h"

#include "support/TempDir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum::test {

namespace fs = std::filesystem;

std::optional<OtherUser> otherUser() {
    if (::geteuid() != 0)
        return std::nullopt;
    const passwd* account = ::getpwnam("nobody");
    if (account == nullptr)
        return std::nullopt;
    return OtherUser{account->pw_uid, account->pw_gid, account->pw_name};
}

void handOver(const fs::path& path, const OtherUser& user) {
    if (::lchown(path.c_str(), user.uid, user.gid) != 0)
        throw std::runtime_error("cannot hand over " + path.string());
}

std::vector<std::string> commandAs(const OtherUser& user, const std::string& program,
                                   const std::vector<std::string>& arguments,
                                   const std::vector<gid_t>& groups) {
    std::string groupList;
    for (const gid_t group : groups)
        groupList += (groupList.empty() ? "" : ",") + std::to_string(group);
    std::vector<std::string> command{"/usr/bin/setpriv",
                                     "--reuid=" + std::to_string(user.uid),
                                     "--regid=" + std::to_string(user.gid),
                                     groups.empty() ? "--clear-groups" : "--groups=" + groupList,
                                     "--",
                                     program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

FolderContents folderContents(const fs::path& folder) {
    FolderContents contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        std::string description = std::to_string(info.st_uid) + " " + std::to_string(info.st_mode) + " ";
        if (entry.is_symlink())
            description += "-> " + fs::read_symlink(entry.path()).string();
        else if (entry.is_regular_file())
            description += readFileText(entry.path().string());
        contents[fs::relative(entry.path(), folder).string()] = description;
    }
    return contents;
}

} // namespace kestrum::test
