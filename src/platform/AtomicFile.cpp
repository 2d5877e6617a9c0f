#include "platform/AtomicFile.h"

#include "platform/TemporaryFile.h"

#include <cstdio>

namespace kestrum {

namespace {

ReplaceResult writeAndReplace(TemporaryFile& file,
                              std::initializer_list<std::span<const std::uint8_t>> pieces) {
    if (!file.isOpen())
        return ReplaceResult::OpenFailed;
    bool written = true;
    // An empty piece may have no storage at all (a null pointer, which fwrite must not be given).
    for (const std::span<const std::uint8_t> piece : pieces)
        written = written && (piece.empty() ||
                              std::fwrite(piece.data(), 1, piece.size(), file.stream()) == piece.size());
    if (!file.finishWriting() || !written || !file.replaceTarget())
        return ReplaceResult::WriteFailed;
    return ReplaceResult::Replaced;
}

} // namespace

ReplaceResult replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    return replaceFileContents(path, {bytes});
}

ReplaceResult replaceFileContents(const std::string& path,
                                  std::initializer_list<std::span<const std::uint8_t>> pieces) {
    TemporaryFile file = TemporaryFile::beside(path);
    return writeAndReplace(file, pieces);
}

ReplaceResult replaceFileContents(const PrivateDirectory& folder, const std::string& name,
                                  std::span<const std::uint8_t> bytes) {
    if (!folder.isOpen())
        return ReplaceResult::OpenFailed;
    TemporaryFile file = TemporaryFile::inFolder(folder.descriptor(), folder.path(), name);
    return writeAndReplace(file, {bytes});
}

} // namespace kestrum
