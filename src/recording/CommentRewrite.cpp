#include "recording/CommentRewrite.h"

#include "platform/FormatText.h"
#include "platform/RewriteTarget.h"
#include "platform/TemporaryFile.h"
#include "recording/QuietRead.h"
#include "recording/Sections.h"
#include "recording/VersionTable.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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
    // The file `name` in it, for reading, never through a link; null on failure.
    std::FILE* openFile(const std::string& name) const {
        const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        std::FILE* stream = fd < 0 ? nullptr : ::fdopen(fd, "rb");
        if (stream == nullptr && fd >= 0)
            ::close(fd);
        return stream;
    }

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
    RecordingSections old; // where the reader finds the present file's sections
    std::int64_t audioBytes = 0;
    CommentSection pieces;
    std::string section; // the comment section as written (empty where the version has none)
    Headers headers;
};

Rewrite planRewrite(const RecordingState& rec, const CommentAddition& addition, std::int64_t fileSize) {
    Rewrite plan{versionInfo(rec.version()),   recordingSections(rec), 0, {}, {},
                 {rec.vrh, rec.vrh2, rec.vrh3}};
    plan.audioBytes = fileSize - plan.old.audioStart();
    plan.pieces = commentSectionWith(rec.commentText, addition);
    if (plan.info.carriesText) {
        plan.section = plan.pieces.joined();
        plan.headers.vrh.textLength = plan.headers.vrh2.textLength = plan.headers.vrh3.textLength =
            static_cast<std::uint32_t>(plan.section.size());
    }
    if (plan.info.carriesScannedWords)
        plan.headers.vrh.scannedWordCount = plan.headers.vrh2.scannedWordCount =
            plan.headers.vrh3.scannedWordCount = static_cast<std::uint8_t>(rec.scannedWordTotal & 0xFF);
    return plan;
}

// The header of the file's own layout, the comment section and the keyword table.
bool writeSections(RewriteWriter& writer, std::FILE* out, const std::string& temporary,
                   const RecordingState& rec, const Rewrite& plan, Reporter& reporter) {
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
    for (int i = 0; plan.info.carriesScannedWords && i < rec.scannedWordTotal; ++i) {
        const auto bytes = layout::encode(rec.scannedWords[static_cast<std::size_t>(i)]);
        if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
            reporter.fail("UpdateTextComments could not write scanned word %d of %d to file %s", i,
                          rec.scannedWordTotal, temporary.c_str());
            return false;
        }
    }
    return true;
}

// The audio, unchanged, from where the reader found it to the end of the file.
bool copyAudio(std::FILE* in, std::FILE* out, const Rewrite& plan, const std::string& path,
               Reporter& reporter) {
    std::vector<char> buffer(kCopyBufferSize);
    std::int64_t copied = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        const std::size_t written = got > 0 ? std::fwrite(buffer.data(), 1, got, out) : 0;
        if (written != got) {
            reporter.fail("UpdateTextComments write failed %u of %u", static_cast<unsigned>(written),
                          static_cast<unsigned>(got));
            return false;
        }
        copied += static_cast<std::int64_t>(got);
        if (got < buffer.size())
            break;
    }
    if (copied != plan.audioBytes) {
        reporter.fail("UpdateTextComments could not read file %s", path.c_str());
        return false;
    }
    return true;
}

// The new file read as start-up reads it: the audio, the keywords and the comments it was given.
bool readsBackAsPlanned(const TemporaryFile& file, const RecordingState& rec, const Rewrite& plan,
                        std::int64_t& fileSize) {
    RecordingState check;
    check.recordingPath = file.path();
    check.recordingFile.reset(file.openForReading());
    const bool asPlanned =
        check.recordingFile && readRecordingQuietly(check, true) &&
        check.audioLength == static_cast<std::uint32_t>(plan.audioBytes) &&
        (!plan.info.carriesScannedWords || check.scannedWordTotal == rec.scannedWordTotal) &&
        (!plan.info.carriesText || check.commentText == plan.section);
    fileSize = check.fileSize;
    return asPlanned;
}

} // namespace

int appendComments(RecordingState& rec, const CommentAddition& addition, Reporter& reporter) {
    const std::string& path = rec.recordingPath;
    const int version = rec.version();
    const VersionInfo& info = versionInfo(version);
    // A version whose reader does not skip a section would take its bytes for audio.
    if (!addition.newText.empty() && !info.carriesText)
        return reporter.fail("UpdateTextComments cannot store comments in a version %d recording\n%s",
                             version, path.c_str());
    if (rec.scannedWordTotal > 0 && !info.carriesScannedWords)
        return reporter.fail("UpdateTextComments cannot store key words in a version %d recording\n%s",
                             version, path.c_str());

    // A link is rewritten where it leads, and only when it is the user's own: never replaced by a copy.
    const RewriteTarget target = rewriteTargetOf(path);
    if (!target.refusal.empty())
        return reporter.fail("UpdateTextComments will not save %s: it %s", path.c_str(),
                             target.refusal.c_str());
    const OpenFolder folder(target.folder);
    FileHandle in(folder.openFile(target.name));
    if (!in)
        return reporter.fail("UpdateTextComments could not open file %s", path.c_str());
    // The audio of the file as it is now, found as the reader finds it.
    struct stat inInfo {};
    const RecordingSections old = recordingSections(rec);
    if (::fstat(::fileno(in.get()), &inInfo) != 0 || inInfo.st_size < old.audioStart() ||
        ::fseeko(in.get(), static_cast<off_t>(old.audioStart()), SEEK_SET) != 0)
        return reporter.fail("UpdateTextComments could not seek file %s", path.c_str());
    const Rewrite plan = planRewrite(rec, addition, inInfo.st_size);

    // A name of its own beside the file read; it keeps the recording's permissions when it replaces it.
    TemporaryFile out = TemporaryFile::inFolder(folder.descriptor(), target.folder, target.name);
    if (!out.isOpen())
        return reporter.fail("UpdateTextComments could not open file\n%s", out.path().c_str());
    out.setMode(inInfo.st_mode & 0777);
    const std::string temporary = out.path();
    RewriteWriter writer(out.stream(), temporary, reporter);
    if (!writeSections(writer, out.stream(), temporary, rec, plan, reporter) ||
        !copyAudio(in.get(), out.stream(), plan, path, reporter))
        return 1;
    in.reset();
    // A full disk may only show when the buffered bytes go out.
    if (!out.finishWriting())
        return reporter.fail("UpdateTextComments could not write file %s", temporary.c_str());
    std::int64_t newSize = 0;
    if (!readsBackAsPlanned(out, rec, plan, newSize))
        return reporter.fail(
            "UpdateTextComments the rewritten file does not read back as written, the recording "
            "is unchanged\n%s",
            path.c_str());
    if (!out.replaceTarget())
        return reporter.fail("UpdateTextComments could not rename file from %s to %s", temporary.c_str(),
                             target.path.c_str());

    // The state now describes the new file, which has no export header.
    rec.vrh = plan.headers.vrh;
    rec.vrh2 = plan.headers.vrh2;
    rec.vrh3 = plan.headers.vrh3;
    if (info.carriesText)
        rec.commentText = plan.section;
    rec.edh = ExportHeader{};
    rec.headerStart = 0;
    rec.dataStart = static_cast<std::uint32_t>(old.headerSize);
    rec.fileSize = newSize;
    return 0;
}

} // namespace kestrum
