#pragma once

namespace kestrum {

// Screen readers see a call overview as a slider: its name, and a value that is the play position
// in seconds (from 0 to the call's length, its text the position in words), which they may also
// set. Installed once for the application; every overview made after that is seen so.
void installCallOverviewAccessibility();

} // namespace kestrum
