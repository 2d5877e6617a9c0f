#pragma once

#include <string>
#include <vector>

namespace zoqtool {

// zoqtool play FILE [--speed FACTOR] [--from SECONDS]: plays a recording from the terminal through
// the player's own playback engine and sound device, and exits at the end of play.
int runPlay(const std::vector<std::string>& arguments);

} // namespace zoqtool
