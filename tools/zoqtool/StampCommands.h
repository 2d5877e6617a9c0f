#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool stamp FILE LISTDIR: the stamped copy of a recording in LISTDIR/Recs/, as the export
// list makes it (no questions asked).
int runStamp(const std::vector<std::string>& arguments);

// zoqtool verify FILE: recomputes the three checksums of a stamped copy; exit 0 when all match.
int runVerify(const std::vector<std::string>& arguments);

} // namespace zoqtool
