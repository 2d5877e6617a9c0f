#pragma once

#include "platform/PrivateDirectory.h"
#include "platform/Reporter.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrum {

// Where the user left each call, so that reopening it can offer to go on from there. A call is
// known by its path and size; the last kResumeCallsKept calls are kept, the latest last, one line
// each ("size seconds path") in a file of the per-user folder.
inline constexpr const char* kResumeFileName = "Kestrum.POS";
inline constexpr std::size_t kResumeCallsKept = 500;

struct CallIdentity {
    std::string path; // absolute
    std::uint64_t size = 0;
};

// The seconds where the call was left, if it is known.
std::optional<double> resumeSecondsOf(const PrivateDirectory& folder, const CallIdentity& call);
// Keeps `seconds` for the call (none: forgets it, as for a call heard to its end), replacing the
// file as a whole; a failure is logged only.
void keepResumeSeconds(const PrivateDirectory& folder, const CallIdentity& call,
                       std::optional<double> seconds, Reporter& reporter);

} // namespace kestrum
