#include "recording/CommentRewrite.h"

#include "platform/FormatText.h"
#include "platform/RewriteLock.h"
#include "platform/RewriteTarget.h"
#include "platform/TemporaryFile.h"
#include "recording/ExportCrc.h"
#include "recording/QuietRead.h"
#include "recording/Sections.h"
#include "recording/VersionTable.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 16;

bool endsWithLineBreak(const std::string& text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// The recording's folder, held open so that the file read and the file put in its place are in the
// same folder, whatever is renamed on the way to it meanwhile.
class OpenFolder {
  public:
    explicit OpenFolder(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~OpenFolder() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    int descriptor() const { return fd_; }

  private:
    int fd_;
};

// Writes the new file's sections; every failure reports itself with the temporary path.
class RewriteWriter {
  public:
    RewriteWriter(std::FILE* out, const std::string& temporaryPath, Reporter& reporter)
        : out_(out), path_(temporaryPath), reporter_(reporter) {}

    // Writes `bytes`; on a short write reports `format` with the counts and the path.
    bool write(const std::string& bytes, const char* format) {
        const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), out_);
        if (written == bytes.size())
            return true;
        reporter_.fail(format, static_cast<unsigned>(written), static_cast<unsigned>(bytes.size()),
                       path_.c_str());
        return false;
    }
    template <class Record> bool writeRecord(const Record& record, const char* failure) {
        const auto bytes = layout::encode(record);
        if (std::fwrite(bytes.data(), 1, bytes.size(), out_) == bytes.size())
            return true;
        reporter_.fail(failure, path_.c_str());
        return false;
    }

  private:
    std::FILE* out_;
    const std::string& path_;
    Reporter& reporter_;
};

struct Headers {
    Vrh vrh;
    Vrh2 vrh2;
    Vrh3 vrh3;
};

} // namespace

std::string commentStamp(const std::tm& t, const std::string& userName, const std::string& computerName) {
    return formatText("%d/%02d/%04d %02d:%02d:%02d %s @ %s", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900,
                      t.tm_hour, t.tm_min, t.tm_sec, userName.c_str(), computerName.c_str());
}

CommentSection commentSectionWith(const std::string& existingText, const CommentAddition& addition) {
    CommentSection section{existingText, "", ""};
    if (addition.newText.empty())
        return section;
    // Text written by another program may end mid-line: the stamp still starts a line of its own.
    if (!section.existing.empty() && !endsWithLineBreak(section.existing))
        section.existing += "\r\n";
    section.stampLine = addition.stamp + "\r\n";
    section.added = addition.newText;
    if (!endsWithLineBreak(section.added))
        section.added += "\r\n";
    return section;
}

namespace {

// What a save puts in the new file, worked out before anything is written.
struct Rewrite {
    const VersionInfo& info;
    RecordingSections old; // where the sections of the file as it stands lie
    std::int64_t audioBytes = 0;
    CommentSection pieces;
    std::string section; // the comment section as written (empty where the version has none)
    Headers headers;
};

// The new file's sections: the file's own comment section with the comment addition after it, and
// the file's keyword table with the keyword additions merged into it (in `now`, where it is read).
int planRewrite(const RecordingState& rec, RecordingState& now, const RecordingAdditions& additions,
                Rewrite& plan, Reporter& reporter) {
    for (const KeywordAddition& keyword : additions.keywords)
        if (mergeKeywordAddition(now, keyword) != AddKeywordResult::Added)
            return reporter.fail("UpdateTextComments another program has filled the key words of the "
                                 "recording, there is no room left for one added here\n%s",
                                 rec.recordingPath.c_str());
    plan.audioBytes = now.fileSize - plan.old.audioStart();
    plan.pieces = commentSectionWith(now.commentText, additions.comment);
    if (plan.info.carriesText) {
        plan.section = plan.pieces.joined();
        plan.headers.vrh.textLength = plan.headers.vrh2.textLength = plan.headers.vrh3.textLength =
            static_cast<std::uint32_t>(plan.section.size());
    }
    if (plan.info.carriesScannedWords)
        plan.headers.vrh.scannedWordCount = plan.headers.vrh2.scannedWordCount =
            plan.headers.vrh3.scannedWordCount = static_cast<std::uint8_t>(now.scannedWordTotal & 0xFF);
    return 0;
}

// The header of the file's own layout, the comment section and the keyword table.
bool writeSections(RewriteWriter& writer, std::FILE* out, const std::string& temporary,
                   const RecordingState& table, const Rewrite& plan, Reporter& reporter) {
    bool headerWritten = false;
    switch (plan.info.layout) {
    case HeaderLayout::Vrh3:
        headerWritten =
            writer.writeRecord(plan.headers.vrh3, "UpdateTextComments could not write vrh3 to file %s");
        break;
    case HeaderLayout::Vrh2:
        headerWritten =
            writer.writeRecord(plan.headers.vrh2, "UpdateTextComments could not write vrh2 to file %s");
        break;
    case HeaderLayout::Vrh:
        headerWritten =
            writer.writeRecord(plan.headers.vrh, "UpdateTextComments could not write vrh to file %s");
        break;
    }
    if (!headerWritten)
        return false;
    const CommentSection& pieces = plan.pieces;
    if (plan.info.carriesText &&
        (!writer.write(pieces.existing,
                       "UpdateTextComments could not write existing text %u of %u to file %s") ||
         !writer.write(pieces.stampLine, "UpdateTextComments could not write dtu %u of %u to file %s") ||
         !writer.write(pieces.added, "UpdateTextComments could not write new text %u of %u to file %s")))
        return false;
    for (int i = 0; plan.info.carriesScannedWords && i < table.scannedWordTotal; ++i) {
        const auto bytes = layout::encode(table.scannedWords[static_cast<std::size_t>(i)]);
        if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
            reporter.fail("UpdateTextComments could not write scanned word %d of %d to file %s", i,
                          table.scannedWordTotal, temporary.c_str());
            return false;
        }
    }
    return true;
}

int soundReplaced(const std::string& path, Reporter& reporter) {
    return reporter.fail("UpdateTextComments another program has put a recording with other sound in "
                         "its place, nothing is saved\n%s",
                         path.c_str());
}

// The audio, unchanged, from where the reader found it to the end of the file; `audio` says what
// was copied.
bool copyAudio(std::FILE* in, std::FILE* out, const Rewrite& plan, const std::string& path,
               StoredAudio& audio, Reporter& reporter) {
    std::vector<std::uint8_t> buffer(kCopyBufferSize);
    audio = StoredAudio{0, 0};
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        const std::size_t written = got > 0 ? std::fwrite(buffer.data(), 1, got, out) : 0;
        if (written != got) {
            reporter.fail("UpdateTextComments write failed %u of %u", static_cast<unsigned>(written),
                          static_cast<unsigned>(got));
            return false;
        }
        audio.crc = exportCrc(std::span<const std::uint8_t>(buffer.data(), got), audio.crc);
        audio.length += static_cast<std::int64_t>(got);
        if (got < buffer.size())
            break;
    }
    if (audio.length != plan.audioBytes) {
        reporter.fail("UpdateTextComments could not read file %s", path.c_str());
        return false;
    }
    return true;
}

// The new file read as start-up reads it: the audio, the keywords and the comments it was given.
bool readsBackAsPlanned(const TemporaryFile& file, const RecordingState& table, const Rewrite& plan,
                        RecordingState& check) {
    check.recordingPath = file.path();
    check.recordingFile.reset(file.openForReading());
    return check.recordingFile && readRecordingQuietly(check, true) &&
           check.audioLength == static_cast<std::uint32_t>(plan.audioBytes) &&
           (!plan.info.carriesScannedWords || check.scannedWordTotal == table.scannedWordTotal) &&
           (!plan.info.carriesText || check.commentText == plan.section);
}

// The recording as it stands, read through the descriptor the lock holds: its header, comments and
// keywords; the stream is left at the first audio byte.
int readAsItStands(int heldFd, const RecordingState& rec, RecordingState& now, Reporter& reporter) {
    const std::string& path = rec.recordingPath;
    now.recordingPath = path;
    const int fd = ::fcntl(heldFd, F_DUPFD_CLOEXEC, 0);
    now.recordingFile.reset(fd < 0 ? nullptr : ::fdopen(fd, "rb"));
    if (!now.recordingFile) {
        if (fd >= 0)
            ::close(fd);
        return reporter.fail("UpdateTextComments could not open file %s", path.c_str());
    }
    if (!readRecordingQuietly(now, false))
        return reporter.fail("UpdateTextComments could not read file %s", path.c_str());
    if (now.version() != rec.version())
        return soundReplaced(path, reporter);
    const RecordingSections sections = recordingSections(now);
    if (now.fileSize < sections.audioStart() || !readRecordingQuietly(now, true) ||
        ::fseeko(now.recordingFile.get(), static_cast<off_t>(sections.audioStart()), SEEK_SET) != 0)
        return reporter.fail("UpdateTextComments could not seek file %s", path.c_str());
    if (rec.openedAudio.known() && now.fileSize - sections.audioStart() != rec.openedAudio.length)
        return soundReplaced(path, reporter);
    return 0;
}

// The new file takes the owner and group of the one it replaces where this user may give them (only
// root gives a file to another user, a user gives it to groups of their own), and then its mode: a
// call shared with a group stays shared with it.
void keepOwnerAndMode(TemporaryFile& out, const struct stat& old) {
    const int fd = ::fileno(out.stream());
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Not this user's to give: the new file keeps what it was made with.
    }
    out.setMode(old.st_mode & 0777);
}

// Writes the new file beside the recording and puts it in the recording's place; `check` holds the
// new file as read back.
int replaceRecording(RecordingState& rec, const RewriteTarget& target, const OpenFolder& folder,
                     RecordingState& now, const Rewrite& plan, RecordingState& check, Reporter& reporter) {
    const std::string& path = rec.recordingPath;
    struct stat oldInfo {};
    if (::fstat(::fileno(now.recordingFile.get()), &oldInfo) != 0)
        return reporter.fail("UpdateTextComments could not seek file %s", path.c_str());
    TemporaryFile out = TemporaryFile::inFolder(folder.descriptor(), target.folder, target.name);
    if (!out.isOpen())
        return reporter.fail("UpdateTextComments could not open file\n%s", out.path().c_str());
    keepOwnerAndMode(out, oldInfo);
    const std::string temporary = out.path();
    RewriteWriter writer(out.stream(), temporary, reporter);
    StoredAudio audio;
    if (!writeSections(writer, out.stream(), temporary, now, plan, reporter) ||
        !copyAudio(now.recordingFile.get(), out.stream(), plan, path, audio, reporter))
        return 1;
    if (rec.openedAudio.known() && audio != rec.openedAudio)
        return soundReplaced(path, reporter);
    // A full disk may only show when the buffered bytes go out.
    if (!out.finishWriting())
        return reporter.fail("UpdateTextComments could not write file %s", temporary.c_str());
    if (!readsBackAsPlanned(out, now, plan, check))
        return reporter.fail(
            "UpdateTextComments the rewritten file does not read back as written, the recording "
            "is unchanged\n%s",
            path.c_str());
    if (!out.replaceTarget())
        return reporter.fail("UpdateTextComments could not rename file from %s to %s", temporary.c_str(),
                             target.path.c_str());
    rec.openedAudio = audio;
    return 0;
}

// Whether the version carries what is added, and the file at the path may be rewritten.
int checkSaveAllowed(const RecordingState& rec, const CommentAddition& comment, const RewriteTarget& target,
                     Reporter& reporter) {
    const std::string& path = rec.recordingPath;
    const int version = rec.version();
    const VersionInfo& info = versionInfo(version);
    // A version whose reader does not skip a section would take its bytes for audio.
    if (!comment.newText.empty() && !info.carriesText)
        return reporter.fail("UpdateTextComments cannot store comments in a version %d recording\n%s",
                             version, path.c_str());
    if (rec.scannedWordTotal > 0 && !info.carriesScannedWords)
        return reporter.fail("UpdateTextComments cannot store key words in a version %d recording\n%s",
                             version, path.c_str());
    // A link is rewritten where it leads, and only when it is the user's own: never replaced by a copy.
    if (!target.refusal.empty())
        return reporter.fail("UpdateTextComments will not save %s: it %s", path.c_str(),
                             target.refusal.c_str());
    return 0;
}

} // namespace

void takeSectionsOf(RecordingState& rec, const RecordingState& file) {
    for (std::uint32_t* textLength : {&rec.vrh.textLength, &rec.vrh2.textLength, &rec.vrh3.textLength})
        *textLength = headerTextLength(file);
    const auto count = static_cast<std::uint8_t>(headerScannedWordCount(file));
    rec.vrh.scannedWordCount = rec.vrh2.scannedWordCount = rec.vrh3.scannedWordCount = count;
    rec.edh = file.edh;
    rec.headerStart = file.headerStart;
    rec.dataStart = file.dataStart;
    rec.fileSize = file.fileSize;
    rec.commentText = file.commentText;
    rec.commentsPresent = rec.commentsPresent || file.commentsPresent;
    rec.scannedWords = file.scannedWords;
    rec.scannedWordTotal = file.scannedWordTotal;
}

int appendComments(RecordingState& rec, const RecordingAdditions& additions, Reporter& reporter) {
    const std::string& path = rec.recordingPath;
    const RewriteTarget target = rewriteTargetOf(path);
    if (checkSaveAllowed(rec, additions.comment, target, reporter) != 0)
        return 1;
    const OpenFolder folder(target.folder);
    // One writer at a time, from reading the file for the change to putting the new one in its place.
    RewriteLock lock;
    switch (lock.acquire(folder.descriptor(), target.name, kRewriteWait)) {
    case RewriteLock::Result::Held:
        break;
    case RewriteLock::Result::Busy:
        return reporter.fail("UpdateTextComments the recording is being changed by another program\n%s",
                             path.c_str());
    case RewriteLock::Result::OpenFailed:
        return reporter.fail("UpdateTextComments could not open file %s", path.c_str());
    case RewriteLock::Result::LockFailed:
        return reporter.fail("UpdateTextComments could not lock file %s: %s", path.c_str(),
                             std::strerror(errno));
    }
    RecordingState now;
    if (readAsItStands(lock.descriptor(), rec, now, reporter) != 0)
        return 1;
    Rewrite plan{versionInfo(rec.version()),   recordingSections(now), 0, {}, {},
                 {rec.vrh, rec.vrh2, rec.vrh3}};
    if (planRewrite(rec, now, additions, plan, reporter) != 0)
        return 1;
    RecordingState check;
    if (replaceRecording(rec, target, folder, now, plan, check, reporter) != 0)
        return 1;
    // The state now describes the new file, which has no export header.
    rec.vrh = plan.headers.vrh;
    rec.vrh2 = plan.headers.vrh2;
    rec.vrh3 = plan.headers.vrh3;
    takeSectionsOf(rec, check);
    return 0;
}

} // namespace kestrum
