#include "support/KeyTones.h"

#include "support/RealAudio.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrum::test {

namespace {

constexpr double kRate = 8000;

} // namespace

std::vector<double> realSpeech(double gain) {
    const std::vector<std::uint8_t>& bytes = testWav("8k16bitpcm.wav").data;
    std::vector<double> sound(bytes.size() / 2);
    for (std::size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)) / 32768.0 * gain;
    return sound;
}

void addSine(std::vector<double>& sound, double frequency, double start, double seconds, double decibels) {
    const double amplitude = std::pow(10.0, decibels / 20.0);
    const auto first = static_cast<std::size_t>(std::lround(start * kRate));
    const auto count = static_cast<std::size_t>(std::lround(seconds * kRate));
    for (std::size_t i = 0; i < count && first + i < sound.size(); ++i)
        sound[first + i] +=
            amplitude * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / kRate);
}

void addKeyTones(std::vector<double>& sound, const std::vector<KeyTone>& tones, double decibels) {
    static const std::string kKeys = "123A456B789C*0#D";
    static constexpr double kRows[] = {697, 770, 852, 941};
    static constexpr double kColumns[] = {1209, 1336, 1477, 1633};
    for (const KeyTone& tone : tones) {
        const std::size_t key = kKeys.find(tone.digit);
        addSine(sound, kRows[key / 4], tone.start, tone.seconds, decibels);
        addSine(sound, kColumns[key % 4], tone.start, tone.seconds, decibels);
    }
}

std::vector<KeyTone> keyTones(const std::string& digits, double start, double on, double off) {
    std::vector<KeyTone> tones;
    for (std::size_t i = 0; i < digits.size(); ++i)
        tones.push_back({digits[i], start + static_cast<double>(i) * (on + off), on});
    return tones;
}

std::vector<std::uint8_t> pcm8(const std::vector<double>& sound) {
    std::vector<std::uint8_t> bytes(sound.size());
    for (std::size_t i = 0; i < sound.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(std::clamp(std::lround(sound[i] * 128.0) + 128, 0L, 255L));
    return bytes;
}

} // namespace kestrum::test
