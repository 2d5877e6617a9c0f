#include "app/CallAnalysis.h"

#include "audio/KeyPresses.h"
#include "audio/LoaderThread.h"

#include <chrono>

namespace kestrum {

namespace {

template <class Result> bool ready(const std::future<Result>& work) {
    return work.valid() && work.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

void CallAnalysis::start(std::span<const std::uint8_t> samples, const WaveFormat& format) {
    if (started_)
        return;
    started_ = true;
    samples_ = samples;
    format_ = format;
    keyPresses_ = std::async(std::launch::async, [samples, format] {
        yieldToForeground();
        return keyPressPlaces(findKeyPresses(samples, format));
    });
    if (spectrogramWanted_)
        startSpectrogram();
}

void CallAnalysis::wantSpectrogram() {
    if (spectrogramWanted_)
        return;
    spectrogramWanted_ = true;
    if (started_)
        startSpectrogram();
}

void CallAnalysis::startSpectrogram() {
    spectrogram_ = std::async(std::launch::async, [samples = samples_, format = format_] {
        yieldToForeground();
        FrequencySummary summary;
        summary.build(samples, format);
        return summary;
    });
}

bool CallAnalysis::collect(PlayerState& state) {
    bool came = false;
    if (ready(keyPresses_)) {
        state.keyPresses = keyPresses_.get();
        came = true;
    }
    if (ready(spectrogram_)) {
        state.spectrogram = spectrogram_.get();
        came = true;
    }
    return came;
}

void CallAnalysis::wait() {
    if (keyPresses_.valid())
        keyPresses_.wait();
    if (spectrogram_.valid())
        spectrogram_.wait();
}

} // namespace kestrum
