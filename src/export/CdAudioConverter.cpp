#include "export/CdAudioConverter.h"

namespace kestrum {

struct CdAudioConverter::Resampler {};

CdAudioConverter::CdAudioConverter() = default;
CdAudioConverter::~CdAudioConverter() = default;

std::unique_ptr<CdAudioConverter> CdAudioConverter::open(const WaveFormat&, int& error) {
    error = -1;
    return nullptr;
}

long CdAudioConverter::convert(std::span<const std::uint8_t>, std::vector<std::uint8_t>&) { return -1; }

int CdAudioConverter::flush(std::vector<std::uint8_t>&) { return -1; }

} // namespace kestrum
