#pragma once

#include "recording/WaveFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrum {

inline constexpr std::size_t kPlayBufferSize = 1200;

// One play buffer with its output header. `done` says the buffer may be filled again: the device
// has started playing it (its bytes are the device's own by then), so at most two buffers are
// ever waiting ahead of the one that plays.
struct WaveHeader {
    std::array<std::uint8_t, kPlayBufferSize> data{};
    std::uint32_t bufferLength = kPlayBufferSize; // bytes to play from `data`
    bool prepared = false;
    bool done = false;
    // The device's bookkeeping: where this buffer's bytes lie in the stream it was written to.
    std::uint64_t streamStart = 0;
    std::uint64_t streamEnd = 0;
    std::uint64_t streamId = 0;
};

// The wave-output device, polled rather than called back: buffers are written, and their done
// flags are refreshed on request. Operations return 0 or a device result code, whose text
// errorText gives.
class WaveOut {
  public:
    // Any suitable device, rather than one by index.
    static constexpr int kWaveMapper = -1;
    static constexpr std::uint32_t kFullVolume = 0xFFFFFFFFu;

    virtual ~WaveOut() = default;
    virtual unsigned deviceCount() = 0;
    virtual int open(int deviceId, const WaveFormat& format) = 0;
    // 0 when the format can be played, without opening anything.
    virtual int queryFormat(const WaveFormat& format) = 0;
    virtual bool isOpen() const = 0;
    virtual int close() = 0;
    // Stops output and discards what is queued; every written buffer counts as done.
    virtual void reset() = 0;
    virtual int prepareHeader(WaveHeader& header) = 0;
    virtual int unprepareHeader(WaveHeader& header) = 0;
    virtual int write(WaveHeader& header) = 0;
    virtual void updateDone(WaveHeader& header) = 0;
    // Bytes written but not yet taken by the device: 0 once everything written has been played.
    virtual std::uint64_t queuedBytes() = 0;
    // Left channel in the low 16 bits, right in the high 16 bits.
    virtual std::uint32_t volume() = 0;
    virtual void setVolume(std::uint32_t volume) = 0;
    virtual std::string errorText(int result) = 0;
};

} // namespace kestrum
