#include "NumberArguments.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace zoqtool {

bool parseNonNegative(const std::string& text, double& value) {
    char* end = nullptr;
    const double read = std::strtod(text.c_str(), &end);
    // strtod reads "inf" and "nan", and gives infinity for a number too large for a double.
    if (text.empty() || *end != '\0' || !std::isfinite(read) || read < 0)
        return false;
    value = read;
    return true;
}

bool parseWholeNumber(const std::string& text, int lowest, int highest, int& value) {
    int read = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, read);
    if (error != std::errc() || stop != end || read < lowest || read > highest)
        return false;
    value = read;
    return true;
}

} // namespace zoqtool
