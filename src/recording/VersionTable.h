#pragma once

#include <cstddef>

namespace kestrum {

enum class HeaderLayout { Vrh, Vrh2, Vrh3 };
enum class AudioStorage { Pcm8, Compressed, Refused };

// What a header version carries and how its audio is stored. Sections a version does not carry
// are absent from its files, whatever its header's counts say.
struct VersionInfo {
    HeaderLayout layout;
    bool carriesText;
    bool carriesScannedWords;
    AudioStorage audio;
    bool playbackFormatFromHeader; // otherwise 8-bit mono PCM at 8000 Hz
    bool keywordButtonLive;        // the Keywords button is live for its calls
};

inline constexpr int kLowestVersion = 1;
inline constexpr int kHighestVersion = 11;

bool isKnownVersion(int version);
// The header layout a version byte stands for: vrh3 from 9 on, vrh2 for 7 and 8, vrh below. Defined
// for every byte, so a reader can take the header in before it refuses an unknown version.
HeaderLayout headerLayoutOf(int version);
// The table row of a known version (1 to 11).
const VersionInfo& versionInfo(int version);
std::size_t headerSize(HeaderLayout layout);
std::size_t headerSizeOfVersion(int version);
bool isCompressedVersion(int version);
// The keyword window may be opened for a call of this version (false for unknown versions).
bool keywordButtonLive(int version);

} // namespace kestrum
