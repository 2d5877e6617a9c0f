#pragma once

#include <string>
#include <sys/stat.h>

namespace kestrum {

// The rule for a program the player starts or copies: nothing is taken from a place another user
// can write. The program file and the folder that holds it must each belong to this user or to
// root and be writable by neither group nor others; where a place takes no links (the working
// directory, which others may share), neither may be a link either.

// What the caller does with the program: start it (it must be executable) or copy it (a file).
enum class HelperUse { Start, Copy };

// How a place treats links. The working directory refuses them; the install's helper directory
// and the folders on PATH were set up by their owners, whose links (the installed Vantrel.Exe,
// merged /bin) are followed, and what they lead to and its folder must pass the rule as well.
enum class LinkRule { Refuse, Follow };

// Why a file or a folder, as `info` describes it (not following a link), may not be trusted to
// hold or be a program: words that complete "it ..." ("is a symbolic link", "belongs to another
// user", "can be written by other users"); empty when it may.
std::string distrustOf(const struct stat& info);

enum class ProgramCheck {
    Trusted, // the program is open and passed the rule
    Absent,  // nothing there is a program for this use: no such file, not a file, not executable
    Refused, // a program is there, but the rule refuses it or its folder
};

// Opens `name` in `directory` and checks it and its folder by the rule, on open descriptors, so
// that what was checked is what is used. Trusted: `fd` holds the file (close-on-exec): for Start a
// path-only descriptor to run (see `descriptorPath`), for Copy one open for reading. Refused:
// `refusal` names the file and says why ("/work/Oskaret.exe: it belongs to another user", "...:
// its folder can be written by other users").
ProgramCheck openTrustedProgram(const std::string& directory, const std::string& name, HelperUse use,
                                LinkRule links, int& fd, std::string& refusal);

// The path through which an open descriptor of this process names its own file (/proc/self/fd/N):
// running or reopening it reaches the file checked, whatever has happened to its name since.
std::string descriptorPath(int fd);

} // namespace kestrum
