#include "recording/CommentRewrite.h"

#include "platform/FormatText.h"
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

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

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

std::string temporarySiblingPath(const std::string& recordingPath) {
    if (recordingPath.size() < 3)
        return recordingPath + ".TMP";
    const std::string sibling = recordingPath.substr(0, recordingPath.size() - 3) + "TMP";
    // A recording whose name already ends so must not be its own temporary file: a failed save
    // removes the temporary file.
    return sibling == recordingPath ? recordingPath + ".TMP" : sibling;
}

int UpdateTextComments(RecordingState& rec, const CommentAddition& addition, Reporter& reporter) {
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

    FileHandle in(std::fopen(path.c_str(), "rb"));
    if (!in)
        return reporter.fail("UpdateTextComments could not open file %s", path.c_str());

    // The audio of the file as it is now, found as the reader finds it.
    const RecordingSections old = recordingSections(rec);
    struct stat inInfo {};
    if (::fstat(::fileno(in.get()), &inInfo) != 0 || inInfo.st_size < old.audioStart() ||
        ::fseeko(in.get(), static_cast<off_t>(old.audioStart()), SEEK_SET) != 0)
        return reporter.fail("UpdateTextComments could not seek file %s", path.c_str());
    const std::int64_t audioBytes = inInfo.st_size - old.audioStart();

    const CommentSection pieces = commentSectionWith(rec.commentText, addition);
    const std::string section = info.carriesText ? pieces.joined() : std::string();
    Headers headers{rec.vrh, rec.vrh2, rec.vrh3};
    if (info.carriesText)
        headers.vrh.textLength = headers.vrh2.textLength = headers.vrh3.textLength =
            static_cast<std::uint32_t>(section.size());
    if (info.carriesScannedWords)
        headers.vrh.scannedWordCount = headers.vrh2.scannedWordCount = headers.vrh3.scannedWordCount =
            static_cast<std::uint8_t>(rec.scannedWordTotal & 0xFF);

    const std::string temporary = temporarySiblingPath(path);
    // The new file is always one this save creates: whatever holds the name already (a stale
    // temporary file, or a link to some other file) is removed rather than written through.
    ::unlink(temporary.c_str());
    // It starts private (0600), so nobody can open it while it is written, and then takes the
    // recording's permissions, which it keeps when it replaces the recording.
    const int outFd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    FileHandle out(outFd < 0 ? nullptr : ::fdopen(outFd, "wb"));
    if (!out) {
        if (outFd >= 0) {
            ::close(outFd);
            ::unlink(temporary.c_str());
        }
        return reporter.fail("UpdateTextComments could not open file\n%s", temporary.c_str());
    }
    ::fchmod(outFd, inInfo.st_mode & 0777);
    // From here on a failure leaves no temporary file behind.
    auto abandon = [&] {
        out.reset();
        ::unlink(temporary.c_str());
        return 1;
    };

    RewriteWriter writer(out.get(), temporary, reporter);
    bool headerWritten = false;
    switch (info.layout) {
    case HeaderLayout::Vrh3:
        headerWritten = writer.writeRecord(headers.vrh3, "UpdateTextComments could not write vrh3 to file %s");
        break;
    case HeaderLayout::Vrh2:
        headerWritten = writer.writeRecord(headers.vrh2, "UpdateTextComments could not write vrh2 to file %s");
        break;
    case HeaderLayout::Vrh:
        headerWritten = writer.writeRecord(headers.vrh, "UpdateTextComments could not write vrh to file %s");
        break;
    }
    if (!headerWritten)
        return abandon();
    if (info.carriesText &&
        (!writer.write(pieces.existing,
                       "UpdateTextComments could not write existing text %u of %u to file %s") ||
         !writer.write(pieces.stampLine, "UpdateTextComments could not write dtu %u of %u to file %s") ||
         !writer.write(pieces.added, "UpdateTextComments could not write new text %u of %u to file %s")))
        return abandon();
    for (int i = 0; info.carriesScannedWords && i < rec.scannedWordTotal; ++i) {
        const auto bytes = layout::encode(rec.scannedWords[static_cast<std::size_t>(i)]);
        if (std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size()) {
            reporter.fail("UpdateTextComments could not write scanned word %d of %d to file %s", i,
                          rec.scannedWordTotal, temporary.c_str());
            return abandon();
        }
    }

    std::vector<char> buffer(kCopyBufferSize);
    std::int64_t copied = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (got > 0) {
            const std::size_t written = std::fwrite(buffer.data(), 1, got, out.get());
            if (written != got) {
                reporter.fail("UpdateTextComments write failed %u of %u", static_cast<unsigned>(written),
                              static_cast<unsigned>(got));
                return abandon();
            }
            copied += static_cast<std::int64_t>(got);
        }
        if (got < buffer.size())
            break;
    }
    in.reset();
    if (copied != audioBytes) {
        reporter.fail("UpdateTextComments could not read file %s", path.c_str());
        return abandon();
    }
    // A full disk may only show when the buffered bytes go out.
    if (std::fflush(out.get()) != 0 || ::fsync(::fileno(out.get())) != 0 || std::fclose(out.release()) != 0) {
        reporter.fail("UpdateTextComments could not write file %s", temporary.c_str());
        return abandon();
    }

    // The new file must read back as intended before it replaces the recording.
    RecordingState check;
    check.recordingPath = temporary;
    const bool readsBack = readRecordingQuietly(check, true) &&
                           check.audioLength == static_cast<std::uint32_t>(audioBytes) &&
                           (!info.carriesScannedWords || check.scannedWordTotal == rec.scannedWordTotal) &&
                           (!info.carriesText || check.commentText == section);
    check.closeRecordingFile();
    if (!readsBack) {
        reporter.fail("UpdateTextComments the rewritten file does not read back as written, the recording is "
                      "unchanged\n%s",
                      path.c_str());
        ::unlink(temporary.c_str());
        return 1;
    }

    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        reporter.fail("UpdateTextComments could not rename file from %s to %s", temporary.c_str(),
                      path.c_str());
        ::unlink(temporary.c_str());
        return 1;
    }
    const int directory = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }

    // The state now describes the new file, which has no export header.
    rec.vrh = headers.vrh;
    rec.vrh2 = headers.vrh2;
    rec.vrh3 = headers.vrh3;
    if (info.carriesText)
        rec.commentText = section;
    rec.edh = ExportHeader{};
    rec.headerStart = 0;
    rec.dataStart = static_cast<std::uint32_t>(old.headerSize);
    rec.fileSize = check.fileSize;
    return 0;
}

} // namespace kestrum
