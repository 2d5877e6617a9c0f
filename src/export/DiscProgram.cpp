#include "export/DiscProgram.h"

#include "platform/FormatText.h"

#include <cerrno>
#include <spawn.h>
#include <sys/stat.h>
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

bool startProgram(const std::string& program, const std::string& parameters, const HelperPlaces& places,
                  int& processId) {
    const std::string& workingDirectory = places.workingDirectory;
    const std::string found = findHelperProgram(program, places, HelperUse::Start);
    const bool inOnePlace = !found.empty();
    const std::string path = inOnePlace ? found : program;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    std::vector<char*> argv = {const_cast<char*>(path.c_str()), const_cast<char*>(parameters.c_str()),
                               nullptr};
    pid_t pid = 0;
    const int result = inOnePlace
                           ? ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ)
                           : ::posix_spawnp(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        return false;
    processId = pid;
    return true;
}

void waitForProgram(int processId) {
    int status = 0;
    while (::waitpid(processId, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace kestrum
