#include "DecodeCommand.h"

namespace zoqtool {

int runDecode(const std::vector<std::string>&) { return 2; }

} // namespace zoqtool
