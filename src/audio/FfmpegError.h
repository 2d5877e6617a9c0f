#pragma once

#include <string>

namespace kestrum {

// FFmpeg's words for one of its negative error codes (an AVERROR), for a message.
std::string ffmpegErrorText(int code);

} // namespace kestrum
