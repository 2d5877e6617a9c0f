#pragma once

#include "audio/PlaybackView.h"
#include "audio/WaveOut.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kestrum::test {

// A wave-output device whose listener is the test: written bytes are kept, and the test says
// when the device takes them (consume).
class FakeWaveOut : public WaveOut {
  public:
    unsigned devices = 1;
    std::set<int> failingDevices;         // indices whose open fails
    std::set<std::uint32_t> refusedRates; // sample rates the format query refuses
    bool failWrite = false;

    std::vector<std::uint8_t> played;  // every byte written, in order
    std::vector<std::uint32_t> writes; // the length of each write
    std::vector<WaveFormat> opened;    // the format of each open
    std::vector<int> openedIds;
    int resets = 0;
    std::uint32_t volumeValue = kFullVolume;

    // The device takes up to `bytes` more of what was written.
    void consume(std::uint64_t bytes) { taken_ = std::min<std::uint64_t>(taken_ + bytes, written_); }
    void consumeAll() { taken_ = written_; }
    std::uint64_t pending() const { return written_ - taken_; }

    unsigned deviceCount() override { return devices; }
    int open(int deviceId, const WaveFormat& format) override {
        if (failingDevices.count(deviceId) != 0)
            return 2;
        open_ = true;
        opened.push_back(format);
        openedIds.push_back(deviceId);
        ++stream_;
        written_ = taken_ = 0;
        return 0;
    }
    int queryFormat(const WaveFormat& format) override {
        return refusedRates.count(format.samplesPerSec) ? 32 : 0;
    }
    bool isOpen() const override { return open_; }
    int close() override {
        open_ = false;
        ++stream_;
        return 0;
    }
    void reset() override {
        ++resets;
        ++stream_;
        written_ = taken_ = 0;
    }
    int prepareHeader(WaveHeader& header) override {
        header.prepared = true;
        return 0;
    }
    int unprepareHeader(WaveHeader& header) override {
        header.prepared = false;
        return 0;
    }
    int write(WaveHeader& header) override {
        played.insert(played.end(), header.data.begin(), header.data.begin() + header.bufferLength);
        writes.push_back(header.bufferLength);
        if (failWrite)
            return 11;
        header.done = false;
        header.streamStart = written_;
        written_ += header.bufferLength;
        header.streamEnd = written_;
        header.streamId = stream_;
        return 0;
    }
    // As the real device: a buffer is free once the device has started on it.
    void updateDone(WaveHeader& header) override {
        if (header.streamId != stream_ || taken_ > header.streamStart ||
            header.streamEnd == header.streamStart)
            header.done = true;
    }
    std::uint64_t queuedBytes() override { return pending(); }
    std::uint32_t volume() override { return volumeValue; }
    void setVolume(std::uint32_t value) override { volumeValue = value; }
    std::string errorText(int result) override { return "fake error " + std::to_string(result); }

  private:
    bool open_ = false;
    std::uint64_t stream_ = 1;
    std::uint64_t written_ = 0;
    std::uint64_t taken_ = 0;
};

// The player window's transport side, as state the test can read.
class FakePlaybackView : public PlaybackView {
  public:
    std::string timeText = "Time  0:00";
    std::string percent;
    int progress = 0;
    bool timer = false;
    int speedPosition = 2;
    bool loopPlaying = false;
    std::string volumePercent;
    std::string backHint, stepHint;
    bool closed = false;
    std::map<TransportControl, bool> enabled = {
        {TransportControl::PlayBtn, true},         {TransportControl::RestartBtn, true},
        {TransportControl::StopBtn, true},         {TransportControl::BackBtn, true},
        {TransportControl::StepBtn, true},         {TransportControl::MarkLoopBeginBtn, true},
        {TransportControl::MarkLoopEndBtn, false}, {TransportControl::PlayLoopBtn, false},
    };

    void setPlayTimeText(const std::string& text) override { timeText = text; }
    void setProgressPosition(int position) override { progress = std::min(position, 100); }
    int progressPosition() const override { return progress; }
    void setPercentText(const std::string& text) override { percent = text; }
    void setControlEnabled(TransportControl control, bool on) override { enabled[control] = on; }
    bool controlEnabled(TransportControl control) const override { return enabled.at(control); }
    void setTimerEnabled(bool on) override { timer = on; }
    bool timerEnabled() const override { return timer; }
    int playSpeedPosition() const override { return speedPosition; }
    void setPlaySpeedPosition(int position) override { speedPosition = position; }
    void showLoopPlaying(bool playing) override { loopPlaying = playing; }
    void setVolumePercentText(const std::string& text) override { volumePercent = text; }
    void setStepHints(const std::string& back, const std::string& step) override {
        backHint = back;
        stepHint = step;
    }
    void closePlayer() override { closed = true; }
};

// A visible waveform window that records what it was asked to show.
class FakeWaveform : public WaveformDisplay {
  public:
    struct Span {
        double minimum, maximum, cursor;
    };
    bool visible = true;
    std::vector<Span> spans;

    bool isVisible() const override { return visible; }
    void showSpan(double minimum, double maximum, double cursor) override {
        spans.push_back({minimum, maximum, cursor});
    }
};

} // namespace kestrum::test
