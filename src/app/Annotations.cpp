#include "app/Annotations.h"

#include "platform/RegularFile.h"

#include "app/KeywordListLines.h"
#include "audio/FrameClock.h"
#include "recording/CommentRewrite.h"
#include "recording/KeywordTable.h"
#include "recording/QuietRead.h"
#include "recording/Windows1252.h"

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

// Typed text as the recording stores it. A character Windows-1252 lacks is reported (`what`
// names the text) and nothing is given back, so that nothing is written.
std::optional<std::string> storedText(const std::string& typed, const char* what, Reporter& reporter) {
    Windows1252Text text = utf8ToWindows1252(typed);
    if (text.refused) {
        reporter.fail("Error, %s Cannot Hold \"%s\" (U+%04X): a recording keeps Windows-1252 characters only",
                      what, utf8Character(*text.refused).c_str(), static_cast<unsigned>(*text.refused));
        return std::nullopt;
    }
    return std::move(text.stored);
}

// The file at `path` as it stands, comments and keywords read, opened without blocking on whatever
// else may have been put there; false when it is no recording that reads.
bool readFileAt(const std::string& path, RecordingState& now) {
    const int fd = openRegularFile(AT_FDCWD, path, LinkRule::Follow);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (file == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    now.recordingPath = path;
    now.recordingFile.reset(file);
    return readRecordingQuietly(now, true);
}

bool sameTable(const RecordingState& a, const RecordingState& b) {
    if (a.scannedWordTotal != b.scannedWordTotal)
        return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.scannedWordTotal); ++i)
        if (a.scannedWords[i].word != b.scannedWords[i].word ||
            a.scannedWords[i].positions != b.scannedWords[i].positions)
            return false;
    return true;
}

} // namespace

Annotations::Annotations(PlayerState& state, Reporter& reporter, AnnotationViews& views, Clock clock)
    : state_(state), reporter_(reporter), views_(views),
      clock_(clock ? std::move(clock) : [] { return std::time(nullptr); }) {}

bool Annotations::savingAllowed() const {
    return !state_.options.viewerMode && !state_.options.readOnly;
}

void Annotations::additionMade() {
    if (!savingAllowed())
        return;
    views_.setSaveButtonsEnabled(true);
    state_.recording.additionsPending = true;
}

void Annotations::newCommentsEdited() {
    additionMade();
}

int Annotations::save() {
    if (!savingAllowed())
        return 0;
    RecordingAdditions additions;
    const std::optional<std::string> newText = storedText(views_.newCommentsText(), "Comments", reporter_);
    if (!newText)
        return 1; // the additions stay pending, and shutdown asks again
    CommentAddition& comment = additions.comment;
    comment.newText = *newText;
    if (!comment.newText.empty()) {
        const std::time_t now = clock_();
        std::tm local{};
        ::localtime_r(&now, &local);
        comment.stamp = commentStamp(local, state_.environment.userName, state_.environment.computerName);
    }
    additions.keywords = keywordsAdded_;
    views_.setSaveButtonsEnabled(false);
    if (appendComments(state_.recording, additions, reporter_) != 0)
        return 1; // the additions stay pending, and shutdown asks again
    keywordsAdded_.clear();
    // What the file holds now, other writers' additions with this one's.
    views_.showExistingComments(state_.recording.commentText);
    showKeywordList(state_.recording, views_);
    views_.clearNewComments();
    state_.recording.additionsPending = false;
    return 0;
}

int Annotations::addScannedWord(const std::string& typed, int secondsBefore, std::uint64_t playPosition) {
    RecordingState& rec = state_.recording;
    const FrameClock clock(rec.playbackFormat);
    const std::uint64_t before = std::uint64_t(secondsBefore) * clock.framesPerSecond();
    if (before >= playPosition)
        return reporter_.fail("Error, Start Play Position is Equal to or Less than Beginning");
    const std::optional<std::string> word = storedText(typed, "Key Word", reporter_);
    if (!word)
        return 1;
    // The keyword table keeps byte offsets into the audio.
    const auto position = static_cast<std::uint32_t>(clock.bytesOf(playPosition - before));
    const KeywordAddition addition = keywordAddition(rec, *word, position);
    switch (addKeywordPosition(rec, *word, position)) {
    case AddKeywordResult::Blank:
        return reporter_.fail("Error, Key Word Cannot be Blank");
    case AddKeywordResult::NoKeywordLocation:
        return reporter_.fail("Error, No Available Key Word Locations");
    case AddKeywordResult::NoSecondsLocation:
        return reporter_.fail("Error, No Available Seconds Locations");
    case AddKeywordResult::Added:
        break;
    }
    keywordsAdded_.push_back(addition);
    showKeywordList(rec, views_);
    additionMade();
    return 0;
}

bool Annotations::FileSeen::operator==(const FileSeen& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

int Annotations::reloadFromFile() {
    RecordingState now;
    if (!readFileAt(state_.recording.recordingPath, now)) {
        reporter_.logOnly("The recording %s does not read as it stands now, its comments and key words are "
                          "shown as they were",
                          state_.recording.recordingPath.c_str());
        return 0;
    }
    struct stat info {};
    ::fstat(::fileno(now.recordingFile.get()), &info);
    const FileSeen seen{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    if (seen == lastSeen_)
        return 0;
    lastSeen_ = seen;
    return takeFileAsItStands(now);
}

int Annotations::takeFileAsItStands(RecordingState& now) {
    RecordingState& rec = state_.recording;
    const StoredAudio audio = storedAudioOf(::fileno(now.recordingFile.get()), now);
    if (rec.openedAudio.known() && (now.version() != rec.version() || audio != rec.openedAudio)) {
        if (audio != reportedAudio_)
            reporter_.fail("Another program has put a recording with other sound in the place of this one: "
                           "the sound opened plays on, and nothing added here can be saved into it\n%s",
                           rec.recordingPath.c_str());
        reportedAudio_ = audio;
        return 1;
    }
    const RecordingState before = rec.copyWithoutFile();
    takeSectionsOf(rec, now);
    for (const KeywordAddition& addition : keywordsAdded_)
        mergeKeywordAddition(rec, addition); // one the file has no room for stays due, and a save says so
    if (rec.commentText != before.commentText)
        views_.showExistingComments(rec.commentText);
    if (!sameTable(rec, before))
        showKeywordList(rec, views_);
    return 0;
}

} // namespace kestrum
