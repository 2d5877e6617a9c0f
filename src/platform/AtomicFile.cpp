#include "platform/AtomicFile.h"

#include "platform/TemporaryFile.h"

#include <cstdio>

namespace kestrum {

ReplaceResult replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    return replaceFileContents(path, {bytes});
}

ReplaceResult replaceFileContents(const std::string& path,
                                  std::initializer_list<std::span<const std::uint8_t>> pieces) {
    TemporaryFile file = TemporaryFile::beside(path);
    if (!file.isOpen())
        return ReplaceResult::OpenFailed;
    bool written = true;
    for (const std::span<const std::uint8_t> piece : pieces)
        written = written && std::fwrite(piece.data(), 1, piece.size(), file.stream()) == piece.size();
    if (!file.finishWriting() || !written || !file.replaceTarget())
        return ReplaceResult::WriteFailed;
    return ReplaceResult::Replaced;
}

} // namespace kestrum
