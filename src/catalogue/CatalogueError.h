#pragma once

#include <stdexcept>
#include <string>

namespace kestrum {

// A catalogue that cannot be opened, read or written. The catalogue throws it with a message for
// people (naming the file and what went wrong); the program that asked reports it once.
class CatalogueError : public std::runtime_error {
  public:
    explicit CatalogueError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kestrum
