#pragma once

#include <memory>
#include <string>

struct AVFormatContext;
struct AVIOContext;

namespace kestrum {

// libavformat's muxer of one kind of file, writing into an open descriptor through an output of
// its own (an AVIOContext over the descriptor, which must be seekable: WAV, FLAC and MP3 go back
// to fill in lengths, the stream summary and the seek table). Owns the muxer's context and that
// output, and frees both: libavformat frees neither for an output it did not open.
class OutputContainer {
  public:
    // Null with the reason in `error` when the system's libavformat lacks `muxer`, or memory runs
    // out.
    static std::unique_ptr<OutputContainer> open(const char* muxer, int fd, std::string& error);
    ~OutputContainer();
    OutputContainer(const OutputContainer&) = delete;
    OutputContainer& operator=(const OutputContainer&) = delete;

    AVFormatContext* context() const { return context_; }
    // The first error of a write or seek through the output, or 0.
    int outputError() const;
    // Writes what the output still buffers.
    void flush();

  private:
    OutputContainer() = default;

    int fd_ = -1; // the output's callbacks are given its address
    AVFormatContext* context_ = nullptr;
    AVIOContext* output_ = nullptr;
};

} // namespace kestrum
