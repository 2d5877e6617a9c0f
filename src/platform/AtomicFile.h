#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrum {

enum class ReplaceResult { Replaced, OpenFailed, WriteFailed };

// Replaces the file at `path` with `bytes`: writes a temporary sibling, flushes it to disk and
// renames it over the target, so the path always holds either the old or the whole new file.
// On failure the temporary file is removed and the old file is untouched.
ReplaceResult replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace kestrum
