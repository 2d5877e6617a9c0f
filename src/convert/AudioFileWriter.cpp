#include "convert/AudioFileWriter.h"

#include "audio/FfmpegError.h"
#include "audio/Resampler.h"
#include "convert/OutputContainer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstdio>

namespace kestrum {

namespace {

// PCM encoders take frames of any size: this many samples a frame.
constexpr int kPcmFrameSize = 4096;

// The call's own rate when the encoder takes any rate or this one; else the lowest it takes above
// it; else its highest.
int chooseRate(const AVCodec* codec, int sourceRate) {
    if (codec->supported_samplerates == nullptr)
        return sourceRate;
    int above = 0;
    int highest = 0;
    for (const int* rate = codec->supported_samplerates; *rate != 0; ++rate) {
        if (*rate == sourceRate)
            return sourceRate;
        if (*rate > sourceRate && (above == 0 || *rate < above))
            above = *rate;
        highest = std::max(highest, *rate);
    }
    return above != 0 ? above : highest;
}

AVSampleFormat chooseSampleFormat(const AVCodec* codec, AVSampleFormat sourceFormat) {
    if (codec->sample_fmts == nullptr)
        return sourceFormat;
    for (const AVSampleFormat wanted : {sourceFormat, AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P})
        for (const AVSampleFormat* format = codec->sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format)
            if (*format == wanted)
                return wanted;
    return codec->sample_fmts[0];
}

void setTags(AVDictionary** dictionary, const CallTags& tags) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"title", &tags.title}, {"artist", &tags.artist}, {"comment", &tags.comment}, {"date", &tags.date}};
    for (const auto& [key, value] : fields)
        if (!value->empty())
            av_dict_set(dictionary, key, value->c_str(), 0);
}

// The chapter marks as the container's chapters, in the call's own frames: each runs to the next
// mark, the last to the end of the section.
bool addChapters(AVFormatContext* container, const CallTags& tags, int sourceRate,
                 std::uint64_t totalFrames) {
    const std::size_t count = tags.chapters.size();
    if (count == 0)
        return true;
    container->chapters = static_cast<AVChapter**>(av_calloc(count, sizeof(AVChapter*)));
    if (container->chapters == nullptr)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (chapter == nullptr)
            return false;
        container->chapters[container->nb_chapters++] = chapter; // freed with the container
        chapter->id = static_cast<std::int64_t>(i + 1);
        chapter->time_base = AVRational{1, sourceRate};
        chapter->start = static_cast<std::int64_t>(tags.chapters[i].frame);
        chapter->end = static_cast<std::int64_t>(i + 1 < count ? tags.chapters[i + 1].frame : totalFrames);
        av_dict_set(&chapter->metadata, "title", tags.chapters[i].title.c_str(), 0);
    }
    return true;
}

// The chapter marks as comment entries: "CHAPTER000" = "00:01:02.500", "CHAPTER000NAME" = title.
void addChapterEntries(AVDictionary** dictionary, const CallTags& tags, int sourceRate) {
    for (std::size_t i = 0; i < tags.chapters.size(); ++i) {
        const std::uint64_t ms = tags.chapters[i].frame * 1000 / static_cast<std::uint64_t>(sourceRate);
        char key[32];
        char time[48];
        std::snprintf(key, sizeof key, "CHAPTER%03zu", i);
        std::snprintf(
            time, sizeof time, "%02llu:%02llu:%02llu.%03llu", static_cast<unsigned long long>(ms / 3600000),
            static_cast<unsigned long long>(ms / 60000 % 60), static_cast<unsigned long long>(ms / 1000 % 60),
            static_cast<unsigned long long>(ms % 1000));
        av_dict_set(dictionary, key, time, 0);
        std::snprintf(key, sizeof key, "CHAPTER%03zuNAME", i);
        av_dict_set(dictionary, key, tags.chapters[i].title.c_str(), 0);
    }
}

} // namespace

std::unique_ptr<AudioFileWriter> AudioFileWriter::open(const AudioFileFormat& format,
                                                       const WaveFormat& source, int fd, std::string& error) {
    std::unique_ptr<AudioFileWriter> writer(new AudioFileWriter);
    if (!writer->setUp(format, source, fd, error))
        return nullptr;
    return writer;
}

bool AudioFileWriter::setUp(const AudioFileFormat& format, const WaveFormat& source, int fd,
                            std::string& error) {
    chapterMarks_ = format.chapters;
    const int channels = std::max<int>(1, source.channels);
    sourceRate_ = static_cast<int>(source.samplesPerSec);
    const AVSampleFormat sourceFormat = source.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    sourceFrameBytes_ = channels * av_get_bytes_per_sample(sourceFormat);
    if (sourceRate_ <= 0 || (source.bitsPerSample != 8 && source.bitsPerSample != 16)) {
        error = "the call's sound (" + std::to_string(source.bitsPerSample) + "-bit, " +
                std::to_string(source.samplesPerSec) + " Hz) is not PCM that can be converted";
        return false;
    }
    return openEncoder(format, fd, channels, sourceFormat, error) && openStream(error) &&
           openSampleConversion(channels, sourceFormat, error);
}

bool AudioFileWriter::openEncoder(const AudioFileFormat& format, int fd, int channels, int sourceFormat,
                                  std::string& error) {
    const AVCodec* codec = avcodec_find_encoder_by_name(format.encoder);
    if (codec == nullptr) {
        error = std::string("this system's libavcodec has no ") + format.encoder + " encoder";
        return false;
    }
    container_ = OutputContainer::open(format.muxer, fd, error);
    if (container_ == nullptr)
        return false;

    encoder_ = CodecContextOwner(avcodec_alloc_context3(codec), {avcodec_free_context});
    if (encoder_ == nullptr) {
        error = "out of memory for the encoder";
        return false;
    }
    encoder_->sample_rate = chooseRate(codec, sourceRate_);
    encoder_->sample_fmt = chooseSampleFormat(codec, static_cast<AVSampleFormat>(sourceFormat));
    av_channel_layout_default(&encoder_->ch_layout, channels);
    encoder_->time_base = AVRational{1, encoder_->sample_rate};
    if (format.bitRate > 0)
        encoder_->bit_rate = format.bitRate;
    if (container_->context()->oformat->flags & AVFMT_GLOBALHEADER)
        encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int result = avcodec_open2(encoder_.get(), codec, nullptr); result < 0) {
        error = std::string("the ") + format.encoder + " encoder refused " +
                std::to_string(encoder_->sample_rate) + " Hz, " + std::to_string(channels) +
                " channel(s): " + ffmpegErrorText(result);
        return false;
    }
    const bool anyFrameSize =
        (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || encoder_->frame_size <= 0;
    encoderFrameSize_ = anyFrameSize ? kPcmFrameSize : encoder_->frame_size;
    return true;
}

bool AudioFileWriter::openStream(std::string& error) {
    stream_ = avformat_new_stream(container_->context(), nullptr);
    if (stream_ == nullptr || avcodec_parameters_from_context(stream_->codecpar, encoder_.get()) < 0) {
        error = "out of memory for the stream";
        return false;
    }
    stream_->time_base = encoder_->time_base;
    return true;
}

bool AudioFileWriter::openSampleConversion(int channels, int sourceFormat, std::string& error) {
    int result = 0;
    resampler_ =
        Resampler::open({static_cast<AVSampleFormat>(sourceFormat), sourceRate_, channels},
                        {encoder_->sample_fmt, encoder_->sample_rate, 0, &encoder_->ch_layout}, result);
    if (resampler_ == nullptr) {
        error = "cannot convert the call's samples for the encoder: " + ffmpegErrorText(result);
        return false;
    }

    fifo_.reset(av_audio_fifo_alloc(encoder_->sample_fmt, channels, encoderFrameSize_ * 4));
    frame_ = allocateFrame();
    packet_ = PacketOwner(av_packet_alloc(), {av_packet_free});
    if (fifo_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
        error = "out of memory for the encoder's frames";
        return false;
    }
    frame_->nb_samples = encoderFrameSize_;
    frame_->format = encoder_->sample_fmt;
    frame_->sample_rate = encoder_->sample_rate;
    if (av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout) < 0 ||
        av_frame_get_buffer(frame_.get(), 0) < 0) {
        error = "out of memory for the encoder's frames";
        return false;
    }
    return true;
}

AudioFileWriter::~AudioFileWriter() = default;

int AudioFileWriter::outputRate() const {
    return encoder_ != nullptr ? encoder_->sample_rate : 0;
}

bool AudioFileWriter::convertInto(const std::uint8_t* input, int inFrames, std::string& error) {
    const int room = resampler_->outputRoom(inFrames);
    if (room < 0) {
        error = "cannot convert the call's samples: " + ffmpegErrorText(room);
        return false;
    }
    if (room > convertedCapacity_) {
        converted_.reset();
        convertedCapacity_ = 0;
        std::uint8_t** planes = nullptr;
        if (av_samples_alloc_array_and_samples(&planes, nullptr, encoder_->ch_layout.nb_channels, room,
                                               encoder_->sample_fmt, 0) < 0) {
            error = "out of memory for converted samples";
            return false;
        }
        converted_.reset(planes);
        convertedCapacity_ = room;
    }
    const std::uint8_t* planes[] = {input};
    const int got = resampler_->convert(converted_.get(), convertedCapacity_,
                                        input != nullptr ? planes : nullptr, inFrames);
    if (got < 0) {
        error = "cannot convert the call's samples: " + ffmpegErrorText(got);
        return false;
    }
    if (got > 0 && av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_.get()), got) < got) {
        error = "out of memory for converted samples";
        return false;
    }
    return true;
}

bool AudioFileWriter::write(std::span<const std::uint8_t> pcm, std::string& error) {
    // In pieces, so the converted samples take bounded room whatever the caller hands over.
    constexpr std::size_t kPieceFrames = 1 << 16;
    const std::size_t frames = pcm.size() / static_cast<std::size_t>(sourceFrameBytes_);
    for (std::size_t done = 0; done < frames;) {
        const std::size_t piece = std::min(kPieceFrames, frames - done);
        if (!convertInto(pcm.data() + done * static_cast<std::size_t>(sourceFrameBytes_),
                         static_cast<int>(piece), error) ||
            !encodeHeldSamples(false, error))
            return false;
        done += piece;
    }
    return true;
}

bool AudioFileWriter::encodeHeldSamples(bool flushing, std::string& error) {
    const bool smallLastFrame =
        encoder_->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    while (av_audio_fifo_size(fifo_.get()) >= encoderFrameSize_ ||
           (flushing && av_audio_fifo_size(fifo_.get()) > 0)) {
        if (av_frame_make_writable(frame_.get()) < 0) {
            error = "out of memory for the encoder's frames";
            return false;
        }
        const int count = std::min(av_audio_fifo_size(fifo_.get()), encoderFrameSize_);
        av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame_->data), count);
        frame_->nb_samples = count;
        if (count < encoderFrameSize_ && !smallLastFrame) {
            // An encoder that takes whole frames only gets the last one padded with silence.
            av_samples_set_silence(frame_->data, count, encoderFrameSize_ - count,
                                   encoder_->ch_layout.nb_channels, encoder_->sample_fmt);
            frame_->nb_samples = encoderFrameSize_;
        }
        frame_->pts = nextPts_;
        nextPts_ += frame_->nb_samples;
        if (!sendToEncoder(frame_.get(), error))
            return false;
    }
    return true;
}

bool AudioFileWriter::sendToEncoder(AVFrame* frame, std::string& error) {
    int result = avcodec_send_frame(encoder_.get(), frame);
    if (result < 0) {
        error = "the encoder failed: " + ffmpegErrorText(result);
        return false;
    }
    while ((result = avcodec_receive_packet(encoder_.get(), packet_.get())) == 0) {
        if (!writePacket(packet_.get(), error))
            return false;
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF) {
        error = "the encoder failed: " + ffmpegErrorText(result);
        return false;
    }
    return true;
}

bool AudioFileWriter::writePacket(AVPacket* packet, std::string& error) {
    if (!headerWritten_) {
        PacketOwner kept(av_packet_alloc(), {av_packet_free});
        if (kept == nullptr) {
            av_packet_unref(packet);
            error = "out of memory for the encoded sound";
            return false;
        }
        av_packet_move_ref(kept.get(), packet);
        waiting_.push_back(std::move(kept));
        return true;
    }
    // The muxer may have chosen its own time base when it wrote the header.
    av_packet_rescale_ts(packet, encoder_->time_base, stream_->time_base);
    packet->stream_index = stream_->index;
    const int result = av_write_frame(container_->context(), packet);
    av_packet_unref(packet);
    if (result < 0 || container_->outputError() < 0) {
        error = "cannot write the file: " + ffmpegErrorText(result < 0 ? result : container_->outputError());
        return false;
    }
    return true;
}

bool AudioFileWriter::writeHeader(const CallTags& tags, std::uint64_t totalFrames, std::string& error) {
    // Containers keep tags in their header (FLAC, MP3, WAV) or in their stream's (Ogg).
    AVFormatContext* container = container_->context();
    setTags(&container->metadata, tags);
    setTags(&stream_->metadata, tags);
    if (chapterMarks_ == ChapterMarks::Chapters && !addChapters(container, tags, sourceRate_, totalFrames)) {
        error = "out of memory for the chapters";
        return false;
    }
    if (chapterMarks_ == ChapterMarks::CommentEntries) {
        addChapterEntries(&container->metadata, tags, sourceRate_);
        addChapterEntries(&stream_->metadata, tags, sourceRate_);
    }
    const int result = avformat_write_header(container, nullptr);
    if (result < 0) {
        error = "cannot write the file's header: " + ffmpegErrorText(result);
        return false;
    }
    headerWritten_ = true;
    std::vector<PacketOwner> waiting = std::move(waiting_);
    waiting_.clear();
    bool written = true;
    for (const PacketOwner& packet : waiting)
        written = written && writePacket(packet.get(), error);
    return written;
}

bool AudioFileWriter::finish(std::string& error) {
    if (!headerWritten_) {
        error = "the file's header was not written";
        return false;
    }
    if (!convertInto(nullptr, 0, error) || !encodeHeldSamples(true, error) || !sendToEncoder(nullptr, error))
        return false;
    const int result = av_write_trailer(container_->context());
    container_->flush();
    if (result < 0 || container_->outputError() < 0) {
        error = "cannot write the file: " + ffmpegErrorText(result < 0 ? result : container_->outputError());
        return false;
    }
    return true;
}

} // namespace kestrum
