#include "app/KeywordListLines.h"

#include "platform/FormatText.h"
#include "recording/FieldText.h"

#include <utility>

namespace kestrum {

std::string keywordListHeading() {
    return formatText("%19s   %s", "Key Word", "Seconds From Beginning");
}

std::vector<std::string> keywordListLines(const RecordingState& rec) {
    std::vector<std::string> lines{keywordListHeading()};
    const std::uint32_t bytesPerSecond = rec.playbackFormat.avgBytesPerSec;
    for (int i = 0; i < rec.scannedWordTotal; ++i) {
        const ScannedWord& word = rec.scannedWords[static_cast<std::size_t>(i)];
        std::string line = formatText("%19s ", fieldText(word.word).c_str());
        for (const std::uint32_t position : word.positions) {
            if (position == 0)
                break;
            line += formatText("%4u ", bytesPerSecond ? position / bytesPerSecond : 0u);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void showKeywordList(const RecordingState& rec, KeywordListDisplay& list) {
    list.clearKeywordList();
    for (const std::string& line : keywordListLines(rec))
        list.addKeywordLine(line);
}

void showSectionsRead(const RecordingState& rec, const SectionsRead& read, AnnotationViews& views) {
    if (read.comments) {
        views.clearExistingComments();
        views.clearNewComments();
        if (!rec.commentText.empty())
            views.showExistingComments(rec.commentText);
    }
    if (read.keywords)
        showKeywordList(rec, views);
}

} // namespace kestrum
