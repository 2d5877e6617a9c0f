#pragma once

#include <string>

namespace kestrum {

// The temporary files a program would leave behind when a signal ends it midway (Ctrl-C, kill, a
// closed terminal): a full-size partial file beside its target. Each is kept as an open folder
// and a name in it, prepared before any signal comes, so that the handler needs nothing but
// unlinkat; then the signal ends the program with its usual status.

// Removes the file `name` in the open folder `folderFd` if a signal ends the program, until
// forgotten. TemporaryFile keeps its file here while it has one. Safe from any thread; a few
// at a time (more are not kept).
void removeOnTermination(int folderFd, const std::string& name);
// The file in `folderFd` is no longer to be removed (it took its name, or is gone).
void forgetOnTermination(int folderFd);

// From now on SIGINT, SIGTERM and SIGHUP remove those files before they end the program. A
// signal the program was started with ignored (nohup) stays ignored.
void removeTemporaryFilesOnTermination();

} // namespace kestrum
