#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool info FILE [--json]: reads a recording with the player's reader and prints it.
int runInfo(const std::vector<std::string>& arguments);

} // namespace zoqtool
