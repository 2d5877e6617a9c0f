#pragma once

#include "catalogue/FileStamp.h"

#include <functional>
#include <string>

namespace kestrum {

// A recording file found in a folder tree, as the folder listing shows it.
struct FoundRecording {
    std::string path;
    FileStamp file;
};

// Walks the folder tree under `root` and calls `found` for every regular file whose name ends in
// ".ZOQ" (in any case), folder by folder in name order. Links are not followed, to files or to
// folders, so the walk never leaves the tree or goes round in a loop. A folder that cannot be
// listed whole (it cannot be opened, reading it fails midway, or what it lists cannot be looked
// at) is passed to `unreadable` with the reason, and the walk goes on beside it; what the folder
// and the folders under it hold is then unknown, not gone. `found` returns false to end the walk
// early. False when `root` itself cannot be opened or listed (errno says why).
bool walkRecordings(const std::string& root, const std::function<bool(const FoundRecording&)>& found,
                    const std::function<void(const std::string& folder, int error)>& unreadable);

} // namespace kestrum
