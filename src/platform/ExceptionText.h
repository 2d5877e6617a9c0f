#pragma once

#include <exception>
#include <string>

namespace kestrum {

// What an exception says of itself, as the user is shown it: its own text, "Out of memory" for a
// failed allocation, "Unknown exception" for anything that is not a std::exception.
std::string exceptionText(const std::exception_ptr& exception);

} // namespace kestrum
