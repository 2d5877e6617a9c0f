#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool redact FILE OUT [--tones] [--section FROM TO]...: a copy of the call with its key presses
// and the sections named silent, the original left as it is.
int runRedact(const std::vector<std::string>& arguments);

} // namespace zoqtool
