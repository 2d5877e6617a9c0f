#include "recording/Sections.h"

#include "recording/VersionTable.h"

namespace kestrum {

std::uint32_t headerTextLength(const RecordingState& rec) {
    const int version = rec.version();
    if (version >= 9)
        return rec.vrh3.textLength;
    if (version == 7 || version == 8)
        return rec.vrh2.textLength;
    return rec.vrh.textLength;
}

int headerScannedWordCount(const RecordingState& rec) {
    // The count sits at the same offset in every layout; vrh3 is the file's own from version 9 on.
    return rec.version() >= 9 ? rec.vrh3.scannedWordCount : rec.vrh.scannedWordCount;
}

RecordingSections recordingSections(const RecordingState& rec) {
    const VersionInfo& info = versionInfo(rec.version());
    RecordingSections sections;
    sections.headerStart = rec.headerStart;
    sections.headerSize = static_cast<std::int64_t>(headerSize(info.layout));
    sections.carriesText = info.carriesText;
    sections.carriesScannedWords = info.carriesScannedWords;
    sections.textLength = info.carriesText ? headerTextLength(rec) : 0;
    sections.scannedWordCount = info.carriesScannedWords ? headerScannedWordCount(rec) : 0;
    return sections;
}

} // namespace kestrum
