#include "recording/VersionTable.h"

#include "recording/RecordingHeaders.h"

#include <array>
#include <stdexcept>

namespace kestrum {

namespace {

constexpr std::array<VersionInfo, 11> kVersions{{
    /* 1 */ {HeaderLayout::Vrh, false, false, AudioStorage::Pcm8, true, false},
    /* 2 */ {HeaderLayout::Vrh, false, false, AudioStorage::Refused, false, false},
    /* 3 */ {HeaderLayout::Vrh, false, false, AudioStorage::Refused, false, false},
    /* 4 */ {HeaderLayout::Vrh, true, false, AudioStorage::Compressed, false, false},
    /* 5 */ {HeaderLayout::Vrh, true, true, AudioStorage::Pcm8, true, true},
    /* 6 */ {HeaderLayout::Vrh, false, false, AudioStorage::Pcm8, false, true},
    /* 7 */ {HeaderLayout::Vrh2, true, true, AudioStorage::Compressed, false, false},
    /* 8 */ {HeaderLayout::Vrh2, true, true, AudioStorage::Pcm8, true, true},
    /* 9 */ {HeaderLayout::Vrh3, true, true, AudioStorage::Pcm8, false, true},
    /* 10 */ {HeaderLayout::Vrh3, true, true, AudioStorage::Compressed, false, true},
    /* 11 */ {HeaderLayout::Vrh3, true, true, AudioStorage::Pcm8, true, true},
}};

} // namespace

bool isKnownVersion(int version) {
    return version >= kLowestVersion && version <= kHighestVersion;
}

HeaderLayout headerLayoutOf(int version) {
    if (version >= 9)
        return HeaderLayout::Vrh3;
    return version == 7 || version == 8 ? HeaderLayout::Vrh2 : HeaderLayout::Vrh;
}

const VersionInfo& versionInfo(int version) {
    if (!isKnownVersion(version))
        throw std::out_of_range("recording header version out of range");
    return kVersions[static_cast<std::size_t>(version - 1)];
}

std::size_t headerSize(HeaderLayout layout) {
    switch (layout) {
    case HeaderLayout::Vrh:
        return layout::recordSize<Vrh>();
    case HeaderLayout::Vrh2:
        return layout::recordSize<Vrh2>();
    case HeaderLayout::Vrh3:
        return layout::recordSize<Vrh3>();
    }
    return 0;
}

std::size_t headerSizeOfVersion(int version) {
    return headerSize(versionInfo(version).layout);
}

bool isCompressedVersion(int version) {
    return isKnownVersion(version) && versionInfo(version).audio == AudioStorage::Compressed;
}

bool keywordButtonLive(int version) {
    return isKnownVersion(version) && versionInfo(version).keywordButtonLive;
}

} // namespace kestrum
