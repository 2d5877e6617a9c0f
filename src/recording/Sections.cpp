#include "recording/Sections.h"

#include "recording/VersionTable.h"

namespace kestrum {

std::uint32_t headerTextLength(const RecordingState& rec) {
    switch (headerLayoutOf(rec.version())) {
    case HeaderLayout::Vrh3:
        return rec.vrh3.textLength;
    case HeaderLayout::Vrh2:
        return rec.vrh2.textLength;
    case HeaderLayout::Vrh:
        break;
    }
    return rec.vrh.textLength;
}

int headerScannedWordCount(const RecordingState& rec) {
    // The count sits at the same offset in every layout; a vrh3 file's own header is vrh3.
    return headerLayoutOf(rec.version()) == HeaderLayout::Vrh3 ? rec.vrh3.scannedWordCount
                                                               : rec.vrh.scannedWordCount;
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
