#pragma once

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
// directory may bring its own), then the install's helper directory (either may be empty).
struct HelperPlaces {
    std::string workingDirectory;
    std::string helperDirectory;
};

// What the caller does with the program: start it (it must be executable) or copy it (a file).
enum class HelperUse { Start, Copy };

// The path of the first of the places that holds the program `name`, or empty when none does.
std::string findHelperProgram(const std::string& name, const HelperPlaces& places, HelperUse use);

} // namespace kestrum
