#pragma once

namespace kestrum {

// Asks for a higher scheduling priority for the whole process, so playback keeps up; false when
// the system does not allow it (an ordinary user usually may not raise it).
bool raiseProcessPriority();

} // namespace kestrum
