#include "convert/OutputContainer.h"

#include "platform/WriteAll.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

constexpr int kIoBufferSize = 1 << 16;

// The container writes through these into the open file.
int writeToFile(void* opaque, std::uint8_t* bytes, int size) {
    const int fd = *static_cast<int*>(opaque);
    return writeAll(fd, bytes, static_cast<std::size_t>(size)) ? size : AVERROR(errno ? errno : EIO);
}

std::int64_t seekInFile(void* opaque, std::int64_t offset, int whence) {
    const int fd = *static_cast<int*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? info.st_size : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : position;
}

} // namespace

std::unique_ptr<OutputContainer> OutputContainer::open(const char* muxer, int fd, std::string& error) {
    std::unique_ptr<OutputContainer> self(new OutputContainer());
    self->fd_ = fd;
    if (avformat_alloc_output_context2(&self->context_, nullptr, muxer, nullptr) < 0 ||
        self->context_ == nullptr) {
        error = std::string("this system's libavformat has no ") + muxer + " muxer";
        return nullptr;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    self->output_ = buffer == nullptr ? nullptr
                                      : avio_alloc_context(buffer, kIoBufferSize, 1, &self->fd_, nullptr,
                                                           writeToFile, seekInFile);
    if (self->output_ == nullptr) {
        av_free(buffer);
        error = "out of memory for the output";
        return nullptr;
    }
    self->context_->pb = self->output_;
    self->context_->flags |= AVFMT_FLAG_CUSTOM_IO;
    return self;
}

OutputContainer::~OutputContainer() {
    avformat_free_context(context_); // its streams, chapters and metadata too, not the output
    if (output_ != nullptr)
        av_freep(&output_->buffer);
    avio_context_free(&output_);
}

int OutputContainer::outputError() const {
    return output_->error;
}

void OutputContainer::flush() {
    avio_flush(output_);
}

} // namespace kestrum
