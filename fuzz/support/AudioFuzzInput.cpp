#include "AudioFuzzInput.h"

#include "SilentMessenger.h"
#include "audio/AudioLoader.h"
#include "audio/PeakSummary.h"
#include "platform/Reporter.h"
#include "recording/RecordingReader.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

namespace kestrum::fuzz {

namespace {

WaveFormat formatOf(const AudioControl& control) {
    WaveFormat format = kAudioCodecs[control.codec % kAudioCodecs.size()].usualFormat;
    if (control.flags & kFormatFromControl) {
        format.channels = control.channels;
        format.samplesPerSec = control.samplesPerSec;
        format.avgBytesPerSec = control.avgBytesPerSec;
        format.blockAlign = control.blockAlign;
        format.bitsPerSample = control.bitsPerSample;
    }
    return format;
}

void ignoreCodecLog(void*, int, const char*, std::va_list) {}

// libavcodec reports every damaged frame on stderr; a fuzzer makes millions of them.
void quietenCodecLog() {
    static const bool quietened = [] {
        if (std::getenv("KESTRUM_FUZZ_MESSAGES") == nullptr)
            av_log_set_callback(ignoreCodecLog);
        return true;
    }();
    (void)quietened;
}

} // namespace

AudioFuzzInput readAudioFuzzInput(std::span<const std::uint8_t> data, std::span<const int> versions) {
    const auto control = layout::decode<AudioControl>(data.first<kAudioControlSize>());
    AudioFuzzInput input;
    input.parts.version = versions[control.version % versions.size()];
    input.parts.audioFormat = formatOf(control);
    input.parts.audio = data.subspan(kAudioControlSize);
    if (control.flags & kWithExportHeader) {
        const bool countFromControl = control.flags & kExportCountFromControl;
        input.parts.exportHeader =
            exportHeaderFor(countFromControl ? control.exportByteCount
                                             : static_cast<std::uint32_t>(input.parts.audio.size()));
    }
    input.viewerMode = control.flags & kViewerMode;
    return input;
}

std::vector<std::uint8_t> audioFuzzInput(const AudioControl& control, std::span<const std::uint8_t> audio) {
    const auto bytes = layout::encode(control);
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    input.insert(input.end(), audio.begin(), audio.end());
    return input;
}

void loadRecordingAsPlayerDoes(const std::string& path, bool viewerMode) {
    quietenCodecLog();
    SilentMessenger messenger;
    NoLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = path;
    RecordingReader reader(recording, reporter, {HeaderOverrides{}, viewerMode});
    if (reader.openRecording() != 0)
        return;
    SampleStore store;
    if (loadRecordingAudio(reader, recording, store, reporter, [](const std::string&) {}) != 0)
        return;
    // Playback and the waveform take the audio length as the number of samples in the store.
    if (recording.audioLength != store.indexCount()) {
        std::fprintf(stderr, "audio length %u but %zu samples in the store\n", recording.audioLength,
                     store.indexCount());
        std::abort();
    }
    showFuzzMessage("loaded " + std::to_string(store.indexCount()) + " samples");
    PeakSummary peaks;
    peaks.build(store.samples());
}

} // namespace kestrum::fuzz
