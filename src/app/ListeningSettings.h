#pragma once

#include "audio/PlaybackSession.h"
#include "platform/Reporter.h"

#include <string>

namespace kestrum {

// The listening aids a user turned on, kept from one run to the next in a small text file beside
// the init record (whose 96-byte layout stays as it is): one "name=value" line an aid. A file
// that is missing, unreadable or a link gives the defaults (every aid off); unknown lines are
// ignored, so older and newer players share the file.
ListeningAids readListeningSettings(const std::string& path);
// Replaces the file (0600, through a temporary sibling). Nothing for an empty path (viewer mode).
// Failures are logged only, as the init file's are.
void writeListeningSettings(const std::string& path, const ListeningAids& aids, Reporter& reporter);

} // namespace kestrum
