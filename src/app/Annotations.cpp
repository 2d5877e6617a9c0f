#include "app/Annotations.h"

#include "audio/FrameClock.h"
#include "recording/CommentRewrite.h"
#include "recording/KeywordTable.h"
#include "recording/Windows1252.h"

#include <optional>

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

} // namespace

Annotations::Annotations(PlayerState& state, Reporter& reporter, AnnotationViews& views, Clock clock)
    : state_(state), reporter_(reporter), views_(views),
      clock_(clock ? std::move(clock) : [] { return std::time(nullptr); }) {}

bool Annotations::savingAllowed() const {
    return state_.options.viewerMode == 0 && state_.options.readOnly == 0;
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
    buildScannedWordList(state_.recording, views_);
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
    buildScannedWordList(rec, views_);
    additionMade();
    return 0;
}

} // namespace kestrum
