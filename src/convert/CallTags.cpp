#include "convert/CallTags.h"

#include "audio/FrameClock.h"
#include "recording/CallNames.h"
#include "recording/KeywordTable.h"
#include "recording/Windows1252.h"

#include <algorithm>
#include <map>

namespace kestrum {

namespace {

void appendWord(std::string& to, const std::string& word, const char* separator) {
    if (word.empty())
        return;
    if (!to.empty())
        to += separator;
    to += word;
}

// The comment section's lines end in CR LF; tags keep LF alone.
std::string commentText(const std::string& stored) {
    std::string text = windows1252ToUtf8(stored);
    std::erase(text, '\r');
    const std::size_t end = text.find_last_not_of("\n ");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

} // namespace

CallTags callTagsOf(const RecordingState& rec, std::uint64_t totalFrames) {
    CallTags tags;
    const CallNames names = callNamesOf(rec);
    tags.title = names.title;
    tags.artist = names.artist;
    tags.date = names.date;
    tags.comment = commentText(rec.commentText);

    // The keyword table keeps byte offsets into the audio.
    const FrameClock clock(rec.playbackFormat);
    std::map<std::uint64_t, std::vector<std::string>> marks;
    for (int i = 0; i < rec.scannedWordTotal; ++i) {
        const ScannedWord& entry = rec.scannedWords[static_cast<std::size_t>(i)];
        const std::string word = windows1252ToUtf8(keywordLine(entry));
        if (word.empty())
            continue;
        for (const std::uint32_t position : entry.positions) {
            if (position == 0)
                break;
            const std::uint64_t frame = clock.framesIn(position);
            std::vector<std::string>& words = marks[frame];
            if (frame < totalFrames && std::find(words.begin(), words.end(), word) == words.end())
                words.push_back(word);
        }
    }
    for (const auto& [frame, words] : marks) {
        if (words.empty())
            continue;
        ChapterMark mark{frame, {}};
        for (const std::string& word : words)
            appendWord(mark.title, word, ", ");
        tags.chapters.push_back(mark);
    }
    return tags;
}

CallTags sectionTags(const CallTags& tags, std::uint64_t firstFrame, std::uint64_t endFrame) {
    CallTags section = tags;
    section.chapters.clear();
    const ChapterMark* before = nullptr;
    for (const ChapterMark& mark : tags.chapters) {
        if (mark.frame < firstFrame)
            before = &mark;
        else if (mark.frame < endFrame)
            section.chapters.push_back({mark.frame - firstFrame, mark.title});
    }
    if (before != nullptr && (section.chapters.empty() || section.chapters.front().frame != 0))
        section.chapters.insert(section.chapters.begin(), {0, before->title});
    return section;
}

} // namespace kestrum
