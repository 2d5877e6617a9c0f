#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool index DIR [--db FILE|URI] [--verify]: brings the catalogue of the recordings under DIR up
// to date (by default DIR/.catalogue.sqlite; a PostgreSQL connection URI names a server's) and
// prints what it did in one line.
int runIndex(const std::vector<std::string>& arguments);

// zoqtool search [--db FILE|URI] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--json] [WORDS...]: the
// recordings in the catalogue (by default ./.catalogue.sqlite) that match, newest first.
int runSearch(const std::vector<std::string>& arguments);

} // namespace zoqtool
