#pragma once

#include <string>

namespace kestrum {

// The user's home folder: $HOME when it names an absolute folder, else the password database's.
std::string homeDirectory();
// Whether `directory` is the user's home folder (the same folder, whatever path leads to it).
bool isHomeDirectory(const std::string& directory);
// Where a program keeps its per-user state: $XDG_STATE_HOME/<program> when that is an absolute
// path, else <home>/.local/state/<program>; empty without a home folder.
std::string stateDirectoryOf(const std::string& program);
// Makes the folders above `path` that are missing (0700), leaving those that exist as they are;
// false with errno set when one cannot be made.
bool makeParentFolders(const std::string& path);

} // namespace kestrum
