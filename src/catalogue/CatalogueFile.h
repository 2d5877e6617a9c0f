#pragma once

#include "catalogue/Sqlite.h"

#include <string>

namespace kestrum {

// Opens a catalogue's database file as a file of recorded calls must be: the user's alone.
// SQLite opens its files itself, so the file is made here first, new (mode 0600, never through a
// link), in a folder only the user can write (PrivateDirectory's rules, which also keep the
// journal SQLite makes beside it private: SQLite gives it the database's own mode). An existing
// file must be a regular file of this user, not a link; one others could read is made 0600.
// Throws CatalogueError naming the file and what is wrong with it.
SqliteConnection openCatalogueForWriting(const std::string& path);

// Opens an existing catalogue for reading, by the same rules; nothing is made or changed.
SqliteConnection openCatalogueForReading(const std::string& path);

} // namespace kestrum
