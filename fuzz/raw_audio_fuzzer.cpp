// The load path on arbitrary audio behind a valid header of a version whose audio is stored as it
// plays (9 and 11, and the older 1, 5, 6 and 8): the control record at the start of the input
// chooses the version and, for the versions that name their own, the playback format (see
// support/AudioFuzzInput.h); the rest of the input is the stored audio.

#include "support/AudioFuzzInput.h"
#include "support/MemoryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrum::fuzz;
    if (size < kAudioControlSize)
        return 0;
    static MemoryFile file;
    const AudioFuzzInput input = readAudioFuzzInput({data, size}, kRawVersions);
    file.write(recordingBytes(input.parts));
    loadRecordingAsPlayerDoes(file.path(), input.viewerMode);
    return 0;
}
