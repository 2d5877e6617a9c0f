#pragma once

#include "platform/PrivateDirectory.h"
#include "platform/ProgramLocations.h"
#include "platform/Reporter.h"

#include <string>

namespace kestrum {

// The export list: a directory that collects stamped copies of recordings, with the files a
// finished disc needs, until the disc-writing program is started on it.

inline constexpr const char* kDiscMenuProgram = "Vantrel.Exe";
inline constexpr const char* kDiscPlayerProgram = "Kestrum.Exe";
inline constexpr const char* kDiscWriterProgram = "Oskaret.exe";

// The system temporary directory, ending in a slash ($TMPDIR, else /tmp/).
std::string temporaryDirectory();

// An export list held open: its directory and the Recs directory in it, both this user's alone
// (see PrivateDirectory), so everything the list holds is made and removed inside them.
struct ExportListDirectories {
    PrivateDirectory list;
    PrivateDirectory recordings;
};

// Opens the list directory and its Recs subdirectory, making them (mode 0700) when missing.
// 0: the directory existed (its Recs subdirectory exists or was made now); 1: both were made now;
// 2: a directory could not be made; 3: something at one of the two paths is not safe to use (a
// link, another user's, writable by others): nothing was made or changed. 2 and 3 are reported.
int openExportList(const std::string& directory, ExportListDirectories& opened, Reporter& reporter);

// Writes AutoRun.Inf unless it exists. 0, or 1 after reporting.
int createAutoRunFile(const PrivateDirectory& list, Reporter& reporter);

// Copies the disc menu and the player into the list unless they are there already: each from the
// working directory; else the menu from the install's helper directory and the player from its
// own executable; each only where the trust rule allows (platform/ProgramTrust), copied from the
// descriptor it was checked on. A program passed over is reported (logged only, when another one
// is copied). 0, or 1 after reporting.
int copyProgramFile(const PrivateDirectory& list, const HelperPlaces& places,
                    const std::string& ownExecutable, Reporter& reporter);

// Deletes the files of a directory (not its subdirectories), and links as links, never what they
// point to; a file of another user is refused. With `checkOnly`, only says whether there are
// any (1). 0 when none is left, 2 after a reported failure or for a directory not open.
int deleteAllFiles(const PrivateDirectory& directory, bool checkOnly, Reporter& reporter);

// The number of recordings (*.ZOQ, any case) in a list's Recs directory.
int countListedRecordings(const PrivateDirectory& recordings);

} // namespace kestrum
