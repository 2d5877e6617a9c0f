#pragma once

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

// The list directory: the temporary directory with the user name appended directly.
std::string exportListDirectory(const std::string& userName);

// 0: the directory existed (its Recs subdirectory exists or was made now); 1: both were made
// now; 2: a directory could not be made (reported).
int dataExportCheckDirectory(const std::string& directory, Reporter& reporter);

// Writes AutoRun.Inf unless it exists. 0, or 1 after reporting.
int createAutoRunFile(const std::string& directory, Reporter& reporter);

// Copies the disc menu and the player into the list unless they are there already: each from the
// working directory, the player from its own executable when the working directory has none.
// 0, or 1 after reporting.
int copyProgramFile(const std::string& directory, const std::string& workingDirectory,
                    const std::string& ownExecutable, Reporter& reporter);

// Deletes the files of a directory (not its subdirectories); with `checkOnly`, only says whether
// there are any (1). 0 when none is left, 2 after a reported failure or for an empty path.
int deleteAllFiles(const std::string& directory, bool checkOnly, Reporter& reporter);

// The number of recordings (*.ZOQ, any case) in a list's Recs directory.
int countListedRecordings(const std::string& recordingsDirectory);

// The path of the running program.
std::string ownExecutablePath();

} // namespace kestrum
