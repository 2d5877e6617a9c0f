#pragma once

#include "audio/PlaybackSession.h"
#include "platform/PrivateDirectory.h"
#include "platform/Reporter.h"

#include <string>

namespace kestrum {

// The listening aids a user turned on, kept from one run to the next in a small text file beside
// the init record (whose 96-byte layout stays as it is), the file `name` in the per-user directory:
// one "name=value" line an aid. A file that is missing, unreadable or a link gives the defaults
// (every aid off); unknown lines are ignored, so older and newer players share the file.
// A folder that is not open (viewer mode) gives the defaults.
ListeningAids readListeningSettings(const PrivateDirectory& folder, const std::string& name);
// Replaces the file (0600, through a temporary sibling). Nothing when the folder is not open
// (viewer mode). Failures are logged only, as the init file's are.
void writeListeningSettings(const PrivateDirectory& folder, const std::string& name,
                            const ListeningAids& aids, Reporter& reporter);

} // namespace kestrum
