#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool comment FILE TEXT: appends TEXT to the recording's comments under a stamp line.
int runComment(const std::vector<std::string>& arguments);

// zoqtool keyword FILE WORD SECONDS: adds a keyword position to the recording.
int runKeyword(const std::vector<std::string>& arguments);

} // namespace zoqtool
