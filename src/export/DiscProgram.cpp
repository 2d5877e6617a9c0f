#include "export/DiscProgram.h"

#include "platform/FormatText.h"
#include "platform/ProgramTrust.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kestrum {

std::string discWriterPart(int diskWriterValue) {
    return diskWriterValue >= 0 ? formatText("^W%d ", diskWriterValue) : std::string();
}

std::string exportListParameters(int diskWriterValue, const std::string& listDirectory) {
    return formatText("%s^K1 ^F%s", discWriterPart(diskWriterValue).c_str(), listDirectory.c_str());
}

std::string cdAudioParameters(int diskWriterValue, const std::string& audioFile) {
    return formatText("%s^F%s", discWriterPart(diskWriterValue).c_str(), audioFile.c_str());
}

namespace {

// Starts the checked program open as `program` through its descriptor's path: the child keeps
// that descriptor (its close-on-exec flag cleared there alone), since a script's interpreter
// opens the script by that path. The program's own name for itself (argv[0]) is where it was found.
bool spawnChecked(const FoundProgram& program, const std::string& parameters,
                  const std::string& workingDirectory, int& processId) {
    const int fd = program.descriptor();
    const std::string path = descriptorPath(fd);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, fd);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    std::vector<char*> argv = {const_cast<char*>(program.path().c_str()),
                               const_cast<char*>(parameters.c_str()), nullptr};
    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        return false;
    processId = pid;
    return true;
}

} // namespace

bool startProgram(const std::string& program, const std::string& parameters, const HelperPlaces& places,
                  Reporter& reporter, int& processId) {
    const FoundProgram found = findHelperProgram(program, places, HelperUse::Start);
    if (!found.refusals().empty()) {
        if (found.found())
            reporter.logOnly("startProgram will not run %s", found.refusals().c_str());
        else
            reporter.fail("startProgram will not run %s", found.refusals().c_str());
    }
    return found.found() && spawnChecked(found, parameters, places.workingDirectory, processId);
}

void waitForProgram(int processId) {
    int status = 0;
    while (::waitpid(processId, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace kestrum
