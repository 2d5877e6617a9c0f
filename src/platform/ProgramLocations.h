#pragma once

#include "platform/ProgramTrust.h"

#include <string>

namespace kestrum {

// Where the programs the player works with are found.
//
// An installed player lives in <prefix>/bin and keeps its helper programs (the disc writer
// Oskaret.exe, the disc menu as Vantrel.Exe) in <prefix>/lib/kestrum. The prefix is found from the
// running program's own path, not compiled in, so an installed tree works wherever it was unpacked
// (a package extracted into a scratch folder, a user's own prefix).

// The path of the running program (links resolved); empty when it cannot be read.
std::string ownExecutablePath();

// The helper directory of the install the running program belongs to, or empty when the running
// program's path is unknown. It need not exist: a program run from its build folder has none.
std::string installedHelperDirectory();

// The helper directory of the program at `executablePath`: the install's relative place of the
// helpers applied to the program's folder.
std::string helperDirectoryOf(const std::string& executablePath);

// The places a helper program is looked for, in order: the working directory first (a working
// directory may bring its own), then the install's helper directory (either may be empty); a
// program to start is looked for on PATH last. Each place is used only as the trust rule
// (platform/ProgramTrust) allows.
struct HelperPlaces {
    std::string workingDirectory;
    std::string helperDirectory;
};

// A helper program found by the trust rule, held open so that what was checked is what is started
// or copied; and the programs passed over on the way, for the messages.
class FoundProgram {
  public:
    FoundProgram() = default;
    FoundProgram(FoundProgram&& other) noexcept;
    FoundProgram& operator=(FoundProgram&& other) noexcept;
    FoundProgram(const FoundProgram&) = delete;
    FoundProgram& operator=(const FoundProgram&) = delete;
    ~FoundProgram();

    // Looks for `name` in `directory` (nothing when it is empty or a program was found already).
    void lookIn(const std::string& directory, const std::string& name, HelperUse use, LinkRule links);

    bool found() const { return fd_ >= 0; }
    // The open program (see openTrustedProgram): path-only to start, readable to copy.
    int descriptor() const { return fd_; }
    // Where it was found, for messages and as the started program's name for itself.
    const std::string& path() const { return path_; }
    // What was refused on the way, each as "<path>: it ...", "; " between them; empty when nothing.
    const std::string& refusals() const { return refusals_; }

  private:
    int fd_ = -1;
    std::string path_;
    std::string refusals_;
};

// Looks for the program `name` in the places, in order, and for a program to start on PATH last
// (its absolute folders only: a relative one would mean the working directory, already looked in).
FoundProgram findHelperProgram(const std::string& name, const HelperPlaces& places, HelperUse use);

} // namespace kestrum
