#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool decode FILE OUT.wav: the recording's decoded audio as a standard WAV file.
int runDecode(const std::vector<std::string>& arguments);

} // namespace zoqtool
