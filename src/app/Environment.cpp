#include "app/Environment.h"

#include "platform/AtomicFile.h"
#include "platform/FormatText.h"
#include "platform/PrivateDirectory.h"
#include "platform/Reporter.h"
#include "platform/StateDirectory.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "KestrumVersion.h"

namespace kestrum {

namespace {

constexpr std::size_t kUserNameMaxLength = 28; // a 29-byte buffer
constexpr std::size_t kComputerNameBufferSize = 30;
constexpr std::size_t kLockPathMaxLength = 260; // a 261-byte field
constexpr std::size_t kLogPathMaxLength = 259;  // a 260-byte field, as the init path
constexpr const char* kLockLine = "Kestrum player lock: held open while the player runs\r\n";

std::string joinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/')
        return directory + name;
    return directory + "/" + name;
}

int readComputerName(std::string* buffer, std::size_t size, SystemServices& system, Messenger& messenger) {
    if (buffer == nullptr)
        return 1;
    int error = 0;
    if (!system.computerName(*buffer, size - 1, error)) {
        messenger.showError(formatText("getComputerNameRegistryInfo RegQueryValueEx returned %d", error));
        return 1;
    }
    return 0;
}

// Every per-user path must fit its fixed-size field; a deeper working directory refuses to start.
bool pathsFit(const Environment& env) {
    return env.lockPath.size() <= kLockPathMaxLength && env.logPath.size() <= kLogPathMaxLength &&
           env.initPath.size() <= kLogPathMaxLength;
}

int refuseLongPath(const Environment& env, Messenger& messenger) {
    messenger.showError(
        formatText("Working directory path is too long, cannot continue\n%s", env.workingDirectory.c_str()));
    return 1;
}

} // namespace

namespace {

// The player's own facts: where it runs, as whom (not in viewer mode), on what platform.
int identifyRun(Environment& env, bool viewerMode, SystemServices& system, Messenger& messenger) {
    if (!system.currentDirectory(env.workingDirectory, kPathBufferSize - 1)) {
        messenger.showError("GetCurrentDirectory failed, cannot continue");
        return 1;
    }
    env.userName.clear();
    if (!viewerMode && !system.userName(env.userName, kUserNameMaxLength)) {
        messenger.showError("GetUserName failed, cannot continue");
        return 1;
    }
    if (!system.osPlatformId(env.osPlatformId)) {
        messenger.showError("GetOsVersion failed");
        return 1;
    }
    env.computerName.clear();
    return 0;
}

// The per-user directory, where the lock, log, init and settings files live: it must be this
// user's alone, or another user could read the log or have the player write through a link of
// theirs. It stays open for the run.
int openUserDirectory(Environment& env, const std::string& userDirectory, Messenger& messenger) {
    switch (env.userDirectory.open(userDirectory)) {
    case PrivateDirectory::Status::Opened:
    case PrivateDirectory::Status::Created:
        return 0;
    case PrivateDirectory::Status::CreateFailed:
        messenger.showError(
            formatText("checkLockAccess could not create %s, cannot continue", userDirectory.c_str()));
        return 1;
    case PrivateDirectory::Status::Refused:
        break;
    }
    messenger.showError(formatText("checkLockAccess will not use %s: it %s, cannot continue",
                                   userDirectory.c_str(), env.userDirectory.refusal().c_str()));
    return 1;
}

// A folder named after the user in the working directory; but started from the desktop or a file
// manager, in the home folder, the user's state folder (made with its parents as needed), not a
// folder of their name among their own files.
std::string userDirectoryPath(const Environment& env) {
    if (isHomeDirectory(env.workingDirectory)) {
        const std::string state = stateDirectoryOf("kestrum");
        if (!state.empty()) {
            // A parent that cannot be made leaves the folder's own opening to fail and say which.
            (void)makeParentFolders(state);
            return state;
        }
    }
    return joinPath(env.workingDirectory, env.userName);
}

int takeLock(Environment& env, Messenger& messenger) {
    switch (env.lockFile.acquire(env.userDirectory, kLockFileName, kLockLine)) {
    case LockFile::Result::Held:
        return 0;
    case LockFile::Result::InUse:
        messenger.showError(formatText("Error lock file %s exist, cannot continue", env.lockPath.c_str()));
        return 1;
    case LockFile::Result::OpenFailed:
        messenger.showError(formatText("Error could not open lock file %s", env.lockPath.c_str()));
        return 1;
    case LockFile::Result::WriteFailed:
        messenger.showError(formatText("Error could not write lock file %s", env.lockPath.c_str()));
        return 1;
    }
    return 1;
}

} // namespace

int prepareEnvironment(Environment& env, const Options& options, SystemServices& system,
                       Messenger& messenger) {
    env.logPath.clear();
    env.initPath.clear();
    env.userDirectory.close();
    if (identifyRun(env, options.viewerMode, system, messenger) != 0)
        return 1;

    if (options.viewerMode) {
        Environment paths;
        paths.logPath = joinPath(env.workingDirectory, kLogFileName);
        paths.initPath = joinPath(env.workingDirectory, kInitFileName);
        if (!pathsFit(paths))
            return refuseLongPath(env, messenger);
        env.logPath = paths.logPath;
        env.initPath = paths.initPath;
        return 0;
    }

    if (env.osPlatformId == kPlatformNtFamily &&
        readComputerName(&env.computerName, kComputerNameBufferSize, system, messenger) != 0) {
        messenger.showError("getComputerNameRegistryInfo failed");
        return 1;
    }

    // checkLockAccess
    const std::string userDirectory = userDirectoryPath(env);
    Environment paths;
    paths.lockPath = joinPath(userDirectory, kLockFileName);
    paths.logPath = joinPath(userDirectory, kLogFileName);
    paths.initPath = joinPath(userDirectory, kInitFileName);
    if (!pathsFit(paths))
        return refuseLongPath(env, messenger);
    env.lockPath = paths.lockPath;
    if (openUserDirectory(env, userDirectory, messenger) != 0 || takeLock(env, messenger) != 0) {
        env.userDirectory.close();
        return 1;
    }

    env.logPath = paths.logPath;
    env.initPath = paths.initPath;
    return 0;
}

void releaseLock(Environment& env) {
    env.lockFile.release();
}

int readProgramVersion(Environment& env, Messenger&) {
    env.versionNumbers = {KESTRUM_VERSION_MAJOR, KESTRUM_VERSION_MINOR, KESTRUM_VERSION_PATCH,
                          KESTRUM_VERSION_TWEAK};
    env.versionText = formatText("v%d.%d.%d.%d", env.versionNumbers[0], env.versionNumbers[1],
                                 env.versionNumbers[2], env.versionNumbers[3]);
    return 0;
}

int readInit(Environment& env) {
    if (env.initPath.empty())
        return 1;
    const int fd = env.userDirectory.isOpen() ? env.userDirectory.openForReading(kInitFileName)
                                              : openRegularFileForReading(AT_FDCWD, env.initPath);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (file == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return 1;
    }
    layout::Bytes<InitRecord> bytes{};
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got != bytes.size())
        return 1;
    env.initRecord = layout::decode<InitRecord>(bytes);
    return 0;
}

int writeInitToDisk(Environment& env, const Options& options, Reporter& reporter) {
    if (env.initPath.empty() || options.viewerMode)
        return 0;
    const layout::Bytes<InitRecord> bytes = layout::encode(env.initRecord);
    switch (replaceFileContents(env.userDirectory, kInitFileName, bytes)) {
    case ReplaceResult::Replaced:
        return 0;
    case ReplaceResult::OpenFailed:
        reporter.logOnly("writeInitToDisk could not open file %s", env.initPath.c_str());
        return 1;
    case ReplaceResult::WriteFailed:
        reporter.logOnly("writeInitToDisk could not write to file %s", env.initPath.c_str());
        return 1;
    }
    return 1;
}

} // namespace kestrum
