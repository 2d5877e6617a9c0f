// The decode path on arbitrary audio behind a valid header of a compressed version (10, 4 or 7):
// the control record at the start of the input chooses the codec, the version and the format
// fields (see support/AudioFuzzInput.h); the rest of the input is the stored audio, loaded and
// decoded into the sample store as the player does at start-up.

#include "support/AudioFuzzInput.h"
#include "support/MemoryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrum::fuzz;
    if (size < kAudioControlSize)
        return 0;
    static MemoryFile file;
    const AudioFuzzInput input = readAudioFuzzInput({data, size}, kCompressedVersions);
    file.write(recordingBytes(input.parts));
    loadRecordingAsPlayerDoes(file.path(), input.viewerMode);
    return 0;
}
