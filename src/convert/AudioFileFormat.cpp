#include "convert/AudioFileFormat.h"

#include <array>
#include <strings.h>

namespace kestrum {

namespace {

// Lossy bit rates chosen for telephone speech: well above what an 8 kHz call carries.
constexpr std::array kFormats{
    AudioFileFormat{".wav", "wav", "pcm_u8", 8, 0, ChapterMarks::None},
    AudioFileFormat{".wav", "wav", "pcm_s16le", 16, 0, ChapterMarks::None},
    AudioFileFormat{".flac", "flac", "flac", 0, 0, ChapterMarks::CommentEntries},
    AudioFileFormat{".opus", "opus", "libopus", 0, 24000, ChapterMarks::CommentEntries},
    AudioFileFormat{".mp3", "mp3", "libmp3lame", 0, 32000, ChapterMarks::Chapters},
};

bool endsWith(const std::string& path, const char* extension) {
    const std::size_t length = std::char_traits<char>::length(extension);
    return path.size() > length && ::strcasecmp(path.c_str() + path.size() - length, extension) == 0;
}

} // namespace

const AudioFileFormat* audioFileFormatFor(const std::string& path, int wavBits) {
    for (const AudioFileFormat& format : kFormats) {
        if (!endsWith(path, format.extension))
            continue;
        if (format.bitsPerSample == 0 || format.bitsPerSample == wavBits)
            return &format;
    }
    return nullptr;
}

std::string knownAudioFileExtensions() {
    std::string list;
    for (const AudioFileFormat& format : kFormats) {
        if (list.find(format.extension) != std::string::npos)
            continue;
        if (!list.empty())
            list += ", ";
        list += format.extension;
    }
    return list;
}

} // namespace kestrum
