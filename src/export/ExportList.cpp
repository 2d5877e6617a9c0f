#include "export/ExportList.h"

#include "platform/FormatText.h"
#include "platform/WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

// Copies the open file `in` (read from its start) into the list under `name` as a new file with
// `mode`. False on failure; a partial copy is removed.
bool copyIntoList(int in, const PrivateDirectory& list, const std::string& name, mode_t mode) {
    const int out = list.createFile(name, mode);
    if (out < 0)
        return false;
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 || (got > 0 && !writeAll(out, buffer.data(), static_cast<std::size_t>(got)))) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
    }
    if (::close(out) != 0)
        ok = false;
    if (!ok)
        list.remove(name);
    return ok;
}

// Opens one directory of the list; 0 existed, 1 made now, 2 or 3 after reporting.
int openListDirectory(PrivateDirectory& directory, PrivateDirectory::Status status, Reporter& reporter) {
    switch (status) {
    case PrivateDirectory::Status::Opened:
        return 0;
    case PrivateDirectory::Status::Created:
        return 1;
    case PrivateDirectory::Status::CreateFailed:
        reporter.fail("dataExportCheckDirectory error could not create %s", directory.path().c_str());
        return 2;
    case PrivateDirectory::Status::Refused:
        break;
    }
    reporter.fail("dataExportCheckDirectory will not use %s: it %s", directory.path().c_str(),
                  directory.refusal().c_str());
    return 3;
}

// The program to copy onto the list, found by the trust rule: the working directory's own, else
// the menu from the install's helper directory and the player from the running program's file.
FoundProgram findProgramToCopy(const std::string& program, const HelperPlaces& places,
                               const std::string& ownExecutable) {
    const bool player = program == kDiscPlayerProgram;
    FoundProgram found = findHelperProgram(
        program, player ? HelperPlaces{places.workingDirectory, {}} : places, HelperUse::Copy);
    const std::size_t slash = ownExecutable.rfind('/');
    if (player && slash != std::string::npos)
        found.lookIn(slash == 0 ? "/" : ownExecutable.substr(0, slash), ownExecutable.substr(slash + 1),
                     HelperUse::Copy, LinkRule::Follow);
    return found;
}

} // namespace

std::string temporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string directory = tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
    if (directory.back() != '/')
        directory += '/';
    return directory;
}

int openExportList(const std::string& directory, ExportListDirectories& opened, Reporter& reporter) {
    const int made = openListDirectory(opened.list, opened.list.open(directory), reporter);
    if (made > 1)
        return made;
    PrivateDirectory& recordings = opened.recordings;
    const int recordingsMade =
        openListDirectory(recordings, opened.list.openSubdirectory("Recs", recordings), reporter);
    return recordingsMade > 1 ? recordingsMade : made;
}

int createAutoRunFile(const PrivateDirectory& list, Reporter& reporter) {
    const char* name = "AutoRun.Inf";
    if (list.holdsFile(name))
        return 0;
    const std::string path = list.pathOf(name);
    const int fd = list.createFile(name, 0600);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (file == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return reporter.fail("createAutoRunFile could not open %s", path.c_str());
    }
    const char* lines[] = {"[autorun]\r\n", "open=Vantrel.Exe\r\n", "icon=Vantrel.Exe\r\n"};
    for (int i = 0; i < 3; ++i) {
        const std::size_t length = std::char_traits<char>::length(lines[i]);
        if (std::fwrite(lines[i], 1, length, file) != length) {
            std::fclose(file);
            return reporter.fail("createAutoRunFile could not write %d %s", i + 1, path.c_str());
        }
    }
    if (std::fclose(file) != 0)
        return reporter.fail("createAutoRunFile could not write 3 %s", path.c_str());
    return 0;
}

int copyProgramFile(const PrivateDirectory& list, const HelperPlaces& places,
                    const std::string& ownExecutable, Reporter& reporter) {
    for (const char* program : {kDiscMenuProgram, kDiscPlayerProgram}) {
        if (list.holdsFile(program))
            continue;
        const FoundProgram source = findProgramToCopy(program, places, ownExecutable);
        if (!source.refusals().empty()) {
            if (!source.found())
                return reporter.fail("copyProgramFile will not copy %s", source.refusals().c_str());
            reporter.logOnly("copyProgramFile will not copy %s", source.refusals().c_str());
        }
        const bool player = std::string(program) == kDiscPlayerProgram;
        const std::string from = source.found()                     ? source.path()
                                 : player && !ownExecutable.empty() ? ownExecutable
                                                                    : places.workingDirectory + "/" + program;
        if (!source.found() || !copyIntoList(source.descriptor(), list, program, 0700))
            return reporter.fail("copyProgramFile from %s to %s failed", from.c_str(),
                                 list.pathOf(program).c_str());
    }
    return 0;
}

int deleteAllFiles(const PrivateDirectory& directory, bool checkOnly, Reporter& reporter) {
    if (!directory.isOpen())
        return 2;
    const std::string pattern = directory.pathOf("*.*");
    DIR* listing = directory.openListing();
    if (listing == nullptr) {
        reporter.fail("deleteAllFiles FindFirstFile failed %s", pattern.c_str());
        reporter.logOnly("%s", pattern.c_str());
        return 2;
    }
    int result = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string path = directory.pathOf(entry->d_name);
        struct stat info {};
        if (::fstatat(directory.descriptor(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            reporter.fail("deleteAllFiles GetFileAttributes failed %s", path.c_str());
            result = 2;
            break;
        }
        if (S_ISDIR(info.st_mode))
            continue;
        if (checkOnly) {
            result = 1;
            break;
        }
        if (info.st_uid != ::geteuid()) {
            reporter.fail("deleteAllFiles will not remove %s: it belongs to another user", path.c_str());
            result = 2;
            break;
        }
        if (!directory.remove(entry->d_name)) {
            reporter.fail("deleteAllFiles Remove %s failed", path.c_str());
            result = 2;
            break;
        }
    }
    ::closedir(listing);
    return result;
}

int countListedRecordings(const PrivateDirectory& recordings) {
    DIR* listing = recordings.openListing();
    if (listing == nullptr)
        return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && ::strcasecmp(name.c_str() + name.size() - 4, ".ZOQ") == 0)
            ++count;
    }
    ::closedir(listing);
    return count;
}

} // namespace kestrum
