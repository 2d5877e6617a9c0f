#pragma once

#include "app/AnnotationViews.h"
#include "app/PlayerState.h"
#include "platform/Reporter.h"
#include "recording/KeywordTable.h"
#include "recording/StoredAudio.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kestrum {

// Comments and keywords added in a run: the edits that make a save due, the save itself, and
// the keyword added at the play position. Nothing is saved in viewer or read-only mode. Typed
// text arrives as UTF-8 and is stored as Windows-1252; a character the recording cannot hold is
// refused, with its message, before anything changes.
class Annotations {
  public:
    using Clock = std::function<std::time_t()>;

    Annotations(PlayerState& state, Reporter& reporter, AnnotationViews& views, Clock clock = nullptr);

    bool savingAllowed() const;
    // Every edit of the new comments.
    void newCommentsEdited();
    // Saves the new comments and the keywords added since the last save into the recording as it
    // stands (see appendComments), then shows its comments and keywords as they are in it now.
    int save();
    // Adds the keyword (as typed, UTF-8) at the play position (in frames) less `secondsBefore`
    // seconds.
    int addScannedWord(const std::string& typed, int secondsBefore, std::uint64_t playPosition);
    // After another program replaced the recording: shows its comments and keywords as the file
    // holds them now, with this run's unsaved keyword additions on top; the typed new comments and
    // the playback are left alone. A file whose sound is not the one opened is reported (once for
    // each such file) and not taken. Returns 1 then, else 0.
    int reloadFromFile();

  private:
    // Which file was looked at last, so that a file already looked at is not read whole again.
    struct FileSeen {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        timespec modified{};
        bool operator==(const FileSeen& other) const;
    };

    void additionMade();
    int takeFileAsItStands(RecordingState& now);

    PlayerState& state_;
    Reporter& reporter_;
    AnnotationViews& views_;
    Clock clock_;
    std::vector<KeywordAddition> keywordsAdded_; // since the last save, in order
    FileSeen lastSeen_;
    StoredAudio reportedAudio_; // the other sound last reported
};

} // namespace kestrum
