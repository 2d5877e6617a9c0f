#pragma once

#include "platform/PrivateDirectory.h"
#include "platform/Reporter.h"
#include "recording/RecordingState.h"

#include <atomic>
#include <ctime>
#include <functional>
#include <string>

namespace kestrum {

// Who stamps an exported copy, and when.
struct ExportStamp {
    std::string userName;
    std::string computerName;
    std::time_t when = 0;
};

// Copies the recording into `recordings` under its own name, behind a fresh export header: the
// 351-byte header as held (sections the file's version does not carry counted 0), the comment
// bytes, the keyword records and the audio, unchanged, with checksums of the header, the comments
// and the audio. The copy is a new file (mode 0600) that is read back and checked before it
// takes the name, replacing whatever had it (a link is replaced, never written through); a copy
// that fails anywhere is removed and leaves the name as it was. `edh` of the recording is the new
// export header afterwards. A set `stop` flag ends the copy at its next block, as a failure.
// Returns 0, or 1 after reporting the failure.
int makeStampedCopy(RecordingState& recording, const PrivateDirectory& recordings, const ExportStamp& stamp,
                    Reporter& reporter, const std::function<void(const std::string&)>& status,
                    const std::atomic<bool>* stop = nullptr);
// Where makeStampedCopy puts the recording's copy.
std::string stampedCopyPath(const RecordingState& recording, const PrivateDirectory& recordings);

// The checksums of a stamped copy as stored and as recomputed from its sections.
struct CopyChecksums {
    bool readable = false;
    std::string problem;
    std::uint32_t storedHeader = 0, storedText = 0, storedAudio = 0, storedAudioBytes = 0;
    std::uint32_t header = 0, text = 0, audio = 0, audioBytes = 0;
};
CopyChecksums checkStampedCopy(const std::string& path);

} // namespace kestrum
