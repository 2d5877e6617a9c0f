#pragma once

#include <string>
#include <sys/types.h>

namespace kestrum {

// Whether a name that is a symbolic link is followed to what it leads to.
enum class LinkRule { Follow, Refuse };

// Opens the file `name` in the open folder `folder` (AT_FDCWD: `name` is a path) for reading, and
// only when it is a regular file. The open does not block and takes no terminal (opening a FIFO
// waits for a writer, a device's open may act on it); what was opened is checked on its descriptor,
// so nothing put in the name's place meanwhile is read. A blocking descriptor, or -1 with errno
// set: EISDIR for a directory, EINVAL for another kind of file, whose type (S_IFIFO, S_IFCHR...)
// then goes to `otherType` when given.
int openRegularFile(int folder, const std::string& name, LinkRule links, mode_t* otherType = nullptr);

// What a file of the type `type` (S_IFDIR, S_IFIFO, ...) is, for messages: "a directory", "a FIFO".
const char* fileTypeName(mode_t type);

} // namespace kestrum
