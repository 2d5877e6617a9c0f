#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::test {

// A valid recording and where its sections lie, so a cut at any length can be judged.
struct SampleRecording {
    std::string name; // says what it holds, e.g. "v9 export comments keywords"
    int version = 0;
    std::vector<std::uint8_t> bytes;
    std::size_t headerStart = 0; // 98 when it starts with an export header
    std::size_t textStart = 0;   // just after the recording header
    std::size_t textLength = 0;  // as the reader reads it: 0 when the version carries none
    std::size_t wordsStart = 0;
    std::size_t wordCount = 0;
    std::size_t audioStart = 0;
    bool compressed = false;
    // The export header gives the compressed audio's length, so a cut inside it is a short read.
    bool audioLengthFromExportHeader = false;

    std::size_t wordsEnd() const { return wordsStart + 60 * wordCount; }
};

// Every version 1-11 with and without an export header, and with and without comments and
// keywords where the version carries them; then a TrueSpeech call built from tests/data, and
// the bundled demo recording that makezoq builds from the same speech.
std::vector<SampleRecording> sampleRecordings();

// What the reader says about `sample` cut to `length` bytes when opening it and working out its
// audio length (zoqtool info, and the first steps of decoding and playing), or nothing when the
// cut file still reads.
std::optional<std::string> expectedReadFailure(const SampleRecording& sample, std::size_t length);

// Cut lengths worth running a program on: both sides of every section boundary and a point inside
// each section, sorted, without duplicates, all shorter than the file.
std::vector<std::size_t> chosenCuts(const SampleRecording& sample);

// Fewer cuts, for the slower runs of whole programs: one in the headers, one inside the comments
// and the keywords when there are any, one in the audio short of a whole block, and the whole file.
std::vector<std::size_t> programCuts(const SampleRecording& sample);

// The bytes of `sample` cut to `length`.
std::vector<std::uint8_t> cutTo(const SampleRecording& sample, std::size_t length);

} // namespace kestrum::test
