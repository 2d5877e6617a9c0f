#pragma once

#include <string>

namespace zoqtool {

// Numbers as the command line gives them: the whole text one number, finite, in its range.

// A number, 0 or more, fractions allowed: seconds ("90", "4.5"), a factor ("0.75").
bool parseNonNegative(const std::string& text, double& value);

// A whole number from `lowest` to `highest`.
bool parseWholeNumber(const std::string& text, int lowest, int highest, int& value);

} // namespace zoqtool
