#pragma once

#include "platform/PrivateDirectory.h"

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
// The same for the file `name` in an open folder, found through its descriptor and not by path, so
// a folder renamed and replaced meanwhile does not get the file. OpenFailed when it is not open.
ReplaceResult replaceFileContents(const PrivateDirectory& folder, const std::string& name,
                                  std::span<const std::uint8_t> bytes);

} // namespace kestrum
