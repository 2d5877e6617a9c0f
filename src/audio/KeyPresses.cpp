#include "audio/KeyPresses.h"

#include "audio/FrameClock.h"
#include "audio/MonoSamples.h"

#include <spandsp.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace kestrum {

namespace {

// The receiver works at the telephone's own rate, in blocks of 102 samples. It reports a change
// once two blocks agree, so a key's tone began (or ended) at the start of the block before the one
// that reports it.
constexpr std::uint32_t kRate = 8000;
constexpr std::int64_t kBlock = 102;
constexpr std::int64_t kReportDelay = 2 * kBlock;

// A key's tone, in samples at kRate: [start, end).
struct ToneSpan {
    char digit = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
};

struct ReceiverFree {
    void operator()(dtmf_rx_state_t* receiver) const { dtmf_rx_free(receiver); }
};

// The receiver's reports of a key starting or ending, turned into spans.
struct ReportedTones {
    std::vector<ToneSpan> tones;
    std::int64_t position = 0; // the samples given to the receiver so far
    ToneSpan current;

    void changed(int code) {
        if (current.digit != 0) {
            current.end = position - kReportDelay;
            tones.push_back(current);
            current = {};
        }
        if (code != 0)
            current = {static_cast<char>(code), position - kReportDelay, 0};
    }
};

void reportChange(void* data, int code, int, int) {
    static_cast<ReportedTones*>(data)->changed(code);
}

// What the receiver hears: the band of the keys' tones (about 600 to 1800 Hz), through two
// second-order high-pass and two low-pass filters. Speech and hum outside it would otherwise count
// against a key's tones in the receiver's share of the whole sound, and hide keys pressed while
// someone speaks.
class KeyBand {
  public:
    KeyBand() : stages_{make(600, true), make(600, true), make(1800, false), make(1800, false)} {}

    std::int16_t operator()(std::int16_t sample) {
        double value = sample;
        for (Biquad& stage : stages_)
            value = stage(value);
        return static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
    }

  private:
    struct Biquad {
        double b0, b1, b2, a1, a2;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        double operator()(double x) {
            const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y;
        }
    };
    static Biquad make(double frequency, bool highPass) {
        const double w = 2 * std::numbers::pi * frequency / kRate;
        const double alpha = std::sin(w) / std::numbers::sqrt2; // Q of 1/sqrt(2): no peak
        const double cosw = std::cos(w);
        const double a0 = 1 + alpha;
        const double b = highPass ? (1 + cosw) / 2 : (1 - cosw) / 2;
        return Biquad{b / a0, (highPass ? -2 * b : 2 * b) / a0, b / a0, -2 * cosw / a0, (1 - alpha) / a0};
    }
    Biquad stages_[4];
};

std::vector<ToneSpan> receivedTones(const MonoSignal& samples) {
    ReportedTones reported;
    const std::unique_ptr<dtmf_rx_state_t, ReceiverFree> receiver(dtmf_rx_init(nullptr, nullptr, nullptr));
    if (!receiver)
        return {};
    dtmf_rx_set_realtime_callback(receiver.get(), reportChange, &reported);
    // Block by block, so that each report comes at a known position.
    KeyBand band;
    std::int16_t block[kBlock];
    const auto total = static_cast<std::int64_t>(samples.size());
    for (std::int64_t at = 0; at < total; at += kBlock) {
        const std::int64_t count = std::min(kBlock, total - at);
        for (std::int64_t i = 0; i < count; ++i)
            block[i] = band(samples[static_cast<std::size_t>(at + i)]);
        reported.position = at + count;
        dtmf_rx(receiver.get(), block, static_cast<int>(count));
    }
    if (reported.current.digit != 0) {
        reported.current.end = total; // a key still sounding when the call ends
        reported.tones.push_back(reported.current);
    }
    return reported.tones;
}

// The two tones of each key: its row's and its column's, in Hz.
struct TonePair {
    double row = 0;
    double column = 0;
};

bool tonePairOf(char digit, TonePair& pair) {
    static constexpr char kKeys[] = "123A456B789C*0#D";
    static constexpr double kRows[] = {697, 770, 852, 941};
    static constexpr double kColumns[] = {1209, 1336, 1477, 1633};
    const char* found = std::find(std::begin(kKeys), std::end(kKeys) - 1, digit);
    if (found == std::end(kKeys) - 1)
        return false;
    const auto index = static_cast<std::size_t>(found - kKeys);
    pair = {kRows[index / 4], kColumns[index % 4]};
    return true;
}

// The edges of a tone are found with a window of 8 ms moved 1 ms at a time: where the window is
// centred on an edge, half of it holds the tone, and the tone's amplitude there is half its own.
constexpr std::int64_t kEdgeWindow = 128;
constexpr std::int64_t kEdgeStep = 8;

// The amplitude of `frequency` in the window centred on `centre` (Goertzel).
double amplitudeAt(const MonoSignal& samples, std::int64_t centre, double frequency) {
    const auto total = static_cast<std::int64_t>(samples.size());
    const std::int64_t first = std::clamp<std::int64_t>(centre - kEdgeWindow / 2, 0, total);
    const std::int64_t last = std::clamp<std::int64_t>(centre + kEdgeWindow / 2, 0, total);
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / kRate);
    double previous = 0;
    double beforePrevious = 0;
    for (std::int64_t i = first; i < last; ++i) {
        const double current = samples[static_cast<std::size_t>(i)] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return std::sqrt(std::max(power, 0.0));
}

// The weaker of the key's two tones at `centre`, as a share of its level inside the tone.
struct PairLevel {
    TonePair pair;
    double rowLevel = 1;
    double columnLevel = 1;

    double at(const MonoSignal& samples, std::int64_t centre) const {
        return std::min(amplitudeAt(samples, centre, pair.row) / rowLevel,
                        amplitudeAt(samples, centre, pair.column) / columnLevel);
    }
};

double medianOf(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// A tone placed, with the level of its two tones inside it.
struct PlacedTone {
    ToneSpan span;
    PairLevel level;
};

// The tone's edges to the millisecond: the first and the last place, within two blocks of what the
// receiver reported, where its weaker tone reaches half its level inside the tone. The receiver has
// found the tone between them; speech over it may take it below half for a moment.
PlacedTone placedTone(const MonoSignal& samples, const ToneSpan& reported) {
    PlacedTone placed{reported, {}};
    if (!tonePairOf(reported.digit, placed.level.pair))
        return placed;
    std::vector<double> rows, columns;
    for (std::int64_t at = std::max<std::int64_t>(0, reported.start); at <= reported.end; at += kEdgeStep) {
        rows.push_back(amplitudeAt(samples, at, placed.level.pair.row));
        columns.push_back(amplitudeAt(samples, at, placed.level.pair.column));
    }
    if (rows.empty())
        return placed;
    placed.level.rowLevel = std::max(medianOf(rows), 1.0);
    placed.level.columnLevel = std::max(medianOf(columns), 1.0);

    const std::int64_t middle = (reported.start + reported.end) / 2;
    ToneSpan& span = placed.span;
    span.start = std::max<std::int64_t>(0, reported.start - kReportDelay);
    while (span.start < middle && placed.level.at(samples, span.start) < 0.5)
        span.start += kEdgeStep;
    span.end = std::min<std::int64_t>(static_cast<std::int64_t>(samples.size()), reported.end + kReportDelay);
    while (span.end > middle && placed.level.at(samples, span.end) < 0.5)
        span.end -= kEdgeStep;
    return placed;
}

// Speech over a long press can hide it from the receiver for a few blocks. Two tones of one key
// are one press when the key's pair sounds all the way between them at half the later one's level
// or more; a key pressed again pauses for 40 ms or more, where its pair is gone.
bool soundsBetween(const MonoSignal& samples, const ToneSpan& earlier, const PlacedTone& later) {
    if (earlier.digit != later.span.digit)
        return false;
    for (std::int64_t at = earlier.end; at < later.span.start; at += kEdgeStep)
        if (later.level.at(samples, at) < 0.5)
            return false;
    return true;
}

std::vector<ToneSpan> placedTones(const MonoSignal& samples, const std::vector<ToneSpan>& reported) {
    std::vector<ToneSpan> tones;
    for (const ToneSpan& tone : reported) {
        const PlacedTone placed = placedTone(samples, tone);
        if (!tones.empty() && soundsBetween(samples, tones.back(), placed))
            tones.back().end = std::max(tones.back().end, placed.span.end);
        else
            tones.push_back(placed.span);
    }
    return tones;
}

} // namespace

std::vector<KeyPress> findKeyPresses(std::span<const std::uint8_t> pcm, const WaveFormat& format) {
    const MonoSignal samples(pcm, format, kRate);
    const FrameClock clock(format);
    const double framesPerSample = static_cast<double>(clock.framesPerSecond()) / kRate;
    const std::uint64_t frameCount = clock.framesIn(pcm.size());
    std::vector<KeyPress> presses;
    for (const ToneSpan& tone : placedTones(samples, receivedTones(samples))) {
        if (tone.end - tone.start < static_cast<std::int64_t>(kShortestKeyPressSeconds * kRate))
            continue;
        const auto frameAt = [&](std::int64_t sample) {
            return std::min(frameCount,
                            static_cast<std::uint64_t>(std::llround(
                                static_cast<double>(std::max<std::int64_t>(0, sample)) * framesPerSample)));
        };
        const std::uint64_t start = frameAt(tone.start);
        const std::uint64_t end = frameAt(tone.end);
        presses.push_back({tone.digit, start, end - start});
    }
    return presses;
}

std::vector<FrameSpan> keyPressPlaces(const std::vector<KeyPress>& presses) {
    std::vector<FrameSpan> places;
    places.reserve(presses.size());
    for (const KeyPress& press : presses)
        places.push_back({press.start, press.start + press.length});
    return places;
}

} // namespace kestrum
