#pragma once

#include <functional>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace kestrum::test {

// What goes wrong for a child process: a disk that is full once a file reaches `fileSizeLimit`
// bytes (writing past it fails with EFBIG; SIGXFSZ is ignored), and a directory that cannot be
// written even by root (bind-mounted read-only in a mount namespace of the child's own).
struct Hindrance {
    std::optional<rlim_t> fileSizeLimit;
    std::string readOnlyDirectory;
};

// Runs `body` in a forked child under `hindrance` and returns what it returned; nothing when the
// child could not be hampered as asked or did not end normally (a crash is a failure of the test).
std::optional<std::string> runHampered(const Hindrance& hindrance, const std::function<std::string()>& body);

// While it lives, reading the folder at `folder` in this process fails with `error`: readdir
// gives null with errno set, as a disc or a network folder failing midway does. The test programs
// define readdir themselves (it passes everything else to the C library's).
class FailingFolder {
  public:
    FailingFolder(const std::string& folder, int error);
    ~FailingFolder();
    FailingFolder(const FailingFolder&) = delete;
    FailingFolder& operator=(const FailingFolder&) = delete;
};

// Whether read-only bind mounts can be made here without privileges (user namespaces allowed).
bool readOnlyDirectoriesWork();

// A program's command line wrapped so that it runs under `hindrance`: through bash (to ignore
// SIGXFSZ), prlimit and unshare.
std::vector<std::string> hamperedCommand(const Hindrance& hindrance, const std::string& program,
                                         const std::vector<std::string>& arguments);

} // namespace kestrum::test
