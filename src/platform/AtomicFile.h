#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace kestrum {

enum class ReplaceResult { Replaced, OpenFailed, WriteFailed };

// Replaces the file at `path` with `bytes` through a TemporaryFile (private, 0600), so the path
// always holds either the old or the whole new file. On failure the old file is untouched.
ReplaceResult replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);
// The same with the new contents given in pieces, written one after the other: a large body need
// not be copied behind its header first.
ReplaceResult replaceFileContents(const std::string& path,
                                  std::initializer_list<std::span<const std::uint8_t>> pieces);

} // namespace kestrum
