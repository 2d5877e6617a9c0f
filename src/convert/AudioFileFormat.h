#pragma once

#include <cstdint>
#include <string>

namespace kestrum {

// The kinds of standard audio file a call is converted to, chosen by the output's extension.
// Each is one row of a table: what the one encoder pipeline (AudioFileWriter) does differently
// for it. The sample rate and sample format are not in the table: they follow from the encoder
// (see AudioFileWriter).
// How a kind of file keeps chapter marks (the call's keywords).
enum class ChapterMarks {
    None,           // WAV: no place for them
    Chapters,       // the muxer writes the container's own from the chapters given (MP3's ID3v2 CHAP frames)
    CommentEntries, // CHAPTERnnn and CHAPTERnnnNAME comment entries, which readers take as chapters,
                    // written here: the FLAC muxer writes none, and the Ogg muxer of libavformat 5.1
                    // rounds their seconds (4.5 s becomes 00:00:05.500)
};

struct AudioFileFormat {
    const char* extension; // as written in lower case, with its dot
    const char* muxer;     // libavformat's name of the container
    const char* encoder;   // libavcodec's name of the encoder
    int bitsPerSample;     // for PCM in WAV files: 8 or 16; 0 for the others
    std::int64_t bitRate;  // bits per second of a lossy encoder; 0 for lossless ones
    ChapterMarks chapters;
};

// The row for `path`'s extension (in any letter case). For .wav, `wavBits` picks 8-bit or
// 16-bit PCM. Null for an extension not in the table.
const AudioFileFormat* audioFileFormatFor(const std::string& path, int wavBits);

// The extensions of the table, for messages: ".wav, .flac, .opus, .mp3".
std::string knownAudioFileExtensions();

} // namespace kestrum
