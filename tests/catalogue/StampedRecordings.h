#pragma once

#include "support/RecordingBuilder.h"

#include <string>

namespace kestrum::test {

// Writes `builder`'s recording as `name` in `folder` and its stamped copy (export header with
// checksums, as an export list holds it) in `folder`/Recs; returns the copy's path.
std::string writeStampedCopy(const RecordingBuilder& builder, const std::string& folder,
                             const std::string& name = "call.ZOQ");

// Changes one byte of a file in place.
void flipByte(const std::string& path, long offset);

} // namespace kestrum::test
