#pragma once

#include <cstdarg>
#include <string>

namespace kestrum {

// printf-style formatting into a std::string. The player's messages and display lines are
// printf formats; keeping them as formats (rather than streams) keeps every text exactly as written.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formatTextV(const char* format, std::va_list args);

} // namespace kestrum
