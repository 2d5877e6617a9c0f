#pragma once

// Sound for the key-press tests: real speech with telephone key tones mixed in, as a telephone
// sends them (the two tones of a key, ITU-T Q.23), and the other tones that must not count.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum::test {

// A key's tone: which key, when it starts and how long it sounds, in seconds.
struct KeyTone {
    char digit;
    double start;
    double seconds;
};

// The speech of tests/data/8k16bitpcm.wav (13.8 s at 8000 Hz), as samples from -1 to 1, times
// `gain`. The recording peaks at full scale: keys mixed into it at their usual level need it at a
// third or so, or the sum clips where a line would not.
std::vector<double> realSpeech(double gain = 1.0);

// Adds a sine of `frequency` Hz at `decibels` of full scale from `start` for `seconds`, at 8000 Hz.
void addSine(std::vector<double>& sound, double frequency, double start, double seconds, double decibels);
// Adds each key's two tones, each at `decibels` of full scale.
void addKeyTones(std::vector<double>& sound, const std::vector<KeyTone>& tones, double decibels = -10);
// Keys from `digits`, each sounding `on` seconds with `off` seconds between them, from `start`.
std::vector<KeyTone> keyTones(const std::string& digits, double start, double on = 0.07, double off = 0.07);

// The sound as unsigned 8-bit PCM, clipped at full scale.
std::vector<std::uint8_t> pcm8(const std::vector<double>& sound);

} // namespace kestrum::test
