#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool tones FILE [--json]: the telephone keys pressed during the call, with where they sound.
int runTones(const std::vector<std::string>& arguments);

} // namespace zoqtool
