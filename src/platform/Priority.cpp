#include "platform/Priority.h"

#include <cerrno>
#include <sys/resource.h>

namespace kestrum {

bool raiseProcessPriority() {
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, 0);
    if (current == -1 && errno != 0)
        return false;
    return ::setpriority(PRIO_PROCESS, 0, current - 5) == 0;
}

} // namespace kestrum
