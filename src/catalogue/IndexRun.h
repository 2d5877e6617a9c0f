#pragma once

#include "catalogue/Catalogue.h"

#include <atomic>
#include <functional>
#include <string>

namespace kestrum {

// How an indexing run went, file by file.
struct IndexCounts {
    int read = 0;      // read now
    int unchanged = 0; // the same file, unchanged since it was last read (FileStamp): not read again
    int failed = 0;    // read now, and the reader refused them (stored with its message)
    int removed = 0;   // in the catalogue, no longer in the folder
    int verified = 0;  // stamped copies whose checksums were checked now
    int seen() const { return read + unchanged + failed; }
};

struct IndexOptions {
    bool verify = false; // check the checksums of stamped copies not checked yet
    // Called after each file.
    std::function<void(const IndexCounts&)> progress;
    // A file the reader refused; a folder that could not be listed, with errno's value.
    std::function<void(const CatalogueEntry&)> failedFile;
    std::function<void(const std::string& folder, int error)> unreadableFolder;
    const std::atomic<bool>* stop = nullptr; // set: end after the current file, removing nothing
};

// Brings the catalogue up to date with the recordings under `folder`: new and changed files are
// read, unchanged ones are not, and the rows of files that are gone are removed (except under
// folders that could not be listed). A file that does not read is stored with the reader's
// message; nothing stops the run but a failure of the catalogue itself (a CatalogueError, after
// which the changes since the last commit are undone). Changes are committed every few thousand
// files, so an interrupted run keeps most of its work.
IndexCounts indexFolder(Catalogue& catalogue, const std::string& folder, const IndexOptions& options = {});

// The absolute path of a folder with links resolved, as the catalogue stores paths under it;
// throws CatalogueError when it is not a folder that can be read.
std::string catalogueFolder(const std::string& folder);

} // namespace kestrum
