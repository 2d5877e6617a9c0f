#pragma once

#include "audio/FfmpegHandles.h"
#include "convert/AudioFileFormat.h"
#include "convert/CallTags.h"
#include "recording/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct AVStream;

namespace kestrum {

class OutputContainer;
class Resampler;

// The one encoder pipeline for every kind of audio file: the call's PCM (the sample store's bytes,
// in the playback format) goes through libswresample to the encoder's sample format and rate, is
// cut into the encoder's frames, encoded by libavcodec and muxed by libavformat, with the tags as
// the file's metadata and the chapter marks as its chapters where the container keeps them.
//
// The file is written to an open descriptor (a TemporaryFile's), which must be seekable
// (OutputContainer).
//
// The file's header (with the tags and chapters) is written when writeHeader() is called, which
// may come after the samples: a call can be encoded while it is still being decoded, before its
// length, and so its chapters, are known. Until then the encoded packets wait in memory.
//
// The encoder's rate is the call's own when the encoder takes it (FLAC and PCM take any); else the
// lowest it takes above the call's, so nothing is lost (an 11025 Hz call becomes 12000 Hz Opus).
// Its sample format is the call's own when the encoder takes it, else signed 16-bit (packed or
// planar: 8-bit samples become 16-bit ones exactly, so FLAC keeps every sample), else the
// encoder's first.
class AudioFileWriter {
  public:
    // Opens the encoder and the container. Null with the reason in `error` when the system's
    // libraries lack the encoder or refuse the set-up.
    static std::unique_ptr<AudioFileWriter> open(const AudioFileFormat& format, const WaveFormat& source,
                                                 int fd, std::string& error);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // Encodes the next whole frames of the call (a trailing part of a frame is ignored).
    bool write(std::span<const std::uint8_t> pcm, std::string& error);
    // Writes the file's header with the tags and chapter marks, then the packets that waited for
    // it. `totalFrames` is the length of what is written, where the last chapter ends. Once.
    bool writeHeader(const CallTags& tags, std::uint64_t totalFrames, std::string& error);
    // Encodes what is still held, ends the stream and writes the container's trailer. After
    // writeHeader.
    bool finish(std::string& error);

    // The rate the file holds.
    int outputRate() const;

  private:
    AudioFileWriter() = default;
    bool setUp(const AudioFileFormat& format, const WaveFormat& source, int fd, std::string& error);
    // The steps of setUp(): the encoder and its container over the descriptor, the stream, and the
    // conversion of the call's samples into the encoder's frames. The sample
    // format is libavutil's AVSampleFormat, which this header does not include.
    bool openEncoder(const AudioFileFormat& format, int fd, int channels, int sourceFormat,
                     std::string& error);
    bool openStream(std::string& error);
    bool openSampleConversion(int channels, int sourceFormat, std::string& error);
    // Writes a packet of the encoder's to the file, or keeps it until the header is written.
    bool writePacket(AVPacket* packet, std::string& error);
    // Moves whole encoder frames (or, when `flushing`, everything) from the FIFO to the encoder.
    bool encodeHeldSamples(bool flushing, std::string& error);
    // Sends one frame (or the end of the stream, for null) and writes the packets it gives.
    bool sendToEncoder(AVFrame* frame, std::string& error);
    // Adds what the resampler gives for `inFrames` input frames (null input: its delay) to the FIFO.
    bool convertInto(const std::uint8_t* input, int inFrames, std::string& error);

    ChapterMarks chapterMarks_ = ChapterMarks::None;
    int sourceRate_ = 0;
    int sourceFrameBytes_ = 1;
    int encoderFrameSize_ = 0;
    std::int64_t nextPts_ = 0;
    std::unique_ptr<OutputContainer> container_;
    AVStream* stream_ = nullptr; // the container's
    CodecContextOwner encoder_;
    std::unique_ptr<Resampler> resampler_;
    AudioFifoOwner fifo_;
    FrameOwner frame_;
    PacketOwner packet_;
    SamplePlanesOwner converted_; // the resampler's output planes
    int convertedCapacity_ = 0;
    bool headerWritten_ = false;
    std::vector<PacketOwner> waiting_; // packets encoded before the header was written
};

} // namespace kestrum
