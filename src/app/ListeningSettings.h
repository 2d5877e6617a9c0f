#pragma once

#include "audio/PlaybackSession.h"
#include "platform/PrivateDirectory.h"
#include "platform/Reporter.h"

#include <string>

namespace kestrum {

// The settings file's line naming the foot pedal's device: pedalDevice=PATH.
inline constexpr const char* kPedalDeviceSetting = "pedalDevice";

// The listening aids a user turned on, kept from one run to the next in a small text file beside
// the init record (whose 96-byte layout stays as it is), the file `name` in the per-user directory:
// one "name=value" line an aid. A file that is missing, unreadable or a link gives the defaults
// (every aid off); unknown lines are ignored, so older and newer players share the file.
// A folder that is not open (viewer mode) gives the defaults.
ListeningAids readListeningSettings(const PrivateDirectory& folder, const std::string& name);
// The value of the file's last "key=value" line (other settings the user writes there, such as
// pedalDevice=PATH); empty when there is none.
std::string readSetting(const PrivateDirectory& folder, const std::string& name, const std::string& key);
// Replaces the file (0600, through a temporary sibling): the aids' lines as they now are, every
// other line as it was. Nothing when the folder is not open (viewer mode). Failures are logged
// only, as the init file's are.
void writeListeningSettings(const PrivateDirectory& folder, const std::string& name,
                            const ListeningAids& aids, Reporter& reporter);

} // namespace kestrum
