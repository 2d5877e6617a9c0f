#pragma once

#include "app/CommandLine.h"
#include "app/InitRecord.h"
#include "platform/LockFile.h"
#include "platform/Messenger.h"
#include "platform/PrivateDirectory.h"
#include "platform/SystemServices.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrum {

class Reporter;

inline constexpr const char* kLockFileName = "Kestrum.LCK";
inline constexpr const char* kLogFileName = "Kestrum.LOG";
inline constexpr const char* kInitFileName = "Kestrum.DAT";
inline constexpr const char* kSettingsFileName = "Kestrum.SET";

// Where and as whom the player runs, and its per-user files.
struct Environment {
    std::string workingDirectory;
    std::string userName;     // empty in viewer mode
    std::string computerName; // empty in viewer mode
    std::uint32_t osPlatformId = 0;
    // The per-user directory, opened once when it was checked and held open for the run: its lock,
    // log, init and settings files are made, read and replaced through it, never by path, so the
    // directory renamed away and another put in its place gets none of them. Not open in viewer
    // mode, which keeps the listening aids' defaults and writes nothing.
    PrivateDirectory userDirectory;
    // The paths of the per-user files, for messages.
    std::string lockPath;
    LockFile lockFile;
    std::string logPath; // empty until the environment is ready
    std::string initPath;
    std::array<int, 4> versionNumbers{};
    std::string versionText;
    InitRecord initRecord;
};

// Finds the working directory, user and computer, creates the per-user directory and takes the
// lock (none of this in viewer mode), and sets the log and init paths. Returns 1 after showing
// the message of the step that failed; nothing is logged, the log does not exist yet.
int prepareEnvironment(Environment& env, const Options& options, SystemServices& system,
                       Messenger& messenger);

// Closes and removes the lock file when it is held.
void releaseLock(Environment& env);

// The program version compiled in from the build, as "v%d.%d.%d.%d".
int readProgramVersion(Environment& env, Messenger& messenger);

// Reads one whole 96-byte record from the init file (in viewer mode the working directory's, which
// others may share: never through a link, a regular file only); 1 when there is none.
int readInit(Environment& env);
// Replaces the init file with the record; failures are logged only. Nothing in viewer mode.
int writeInitToDisk(Environment& env, const Options& options, Reporter& reporter);

} // namespace kestrum
