#pragma once

#include "recording/WaveFormat.h"

#include <cstdint>
#include <span>
#include <string>

namespace kestrum {

// Where a running device takes its sound from. Called on the device's own thread, never on the
// windows' thread: it must return quickly and must fill all of `out` (silence where it has nothing).
class SoundSource {
  public:
    virtual ~SoundSource() = default;
    virtual void fillSound(std::span<std::uint8_t> out) = 0;
};

// A sound device that pulls its sound: opened at a format, it asks its source for bytes of that
// format on a thread of its own while it runs, so the sound never waits for the windows.
// Operations return 0 or a result code, whose text errorText gives.
class AudioOutput {
  public:
    // Any suitable device, rather than one by index.
    static constexpr int kAnyDevice = -1;

    virtual ~AudioOutput() = default;
    virtual unsigned deviceCount() = 0;
    // 0 when the format can be played, without opening anything.
    virtual int canPlay(const WaveFormat& format) = 0;
    // Opens a device, not yet running. A device already open hands over to the new one: if it
    // was running, the new one starts as the old one stops, so the sound goes on at the new rate
    // with at most one device buffer between them; a driver that opens one device at a time
    // closes the old one first. On failure no device may be left open.
    virtual int open(int deviceIndex, const WaveFormat& format, SoundSource& source) = 0;
    virtual bool isOpen() const = 0;
    // Starts or stops pulling; a stopped device plays silence. Once `running(false)` returns, the
    // source is not called again until the device runs.
    virtual void setRunning(bool running) = 0;
    virtual bool running() const = 0;
    virtual int close() = 0;
    virtual std::string errorText(int result) = 0;
};

} // namespace kestrum
