// The init record: decoding any 96 bytes, and readInit on init files of any length. A record read
// back must be exactly the bytes on disk (it is written back unchanged at exit), and a file too
// short for a whole record must be ignored.

#include "app/Environment.h"
#include "app/InitRecord.h"
#include "support/MemoryFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

using kestrum::InitRecord;
using RecordBytes = kestrum::layout::Bytes<InitRecord>;

void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "init record: %s\n", what);
        std::abort();
    }
}

// The first record's worth of bytes, zero-padded when the input is shorter.
RecordBytes firstRecordBytes(std::span<const std::uint8_t> data) {
    RecordBytes bytes{};
    std::copy_n(data.begin(), std::min(data.size(), bytes.size()), bytes.begin());
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const RecordBytes bytes = firstRecordBytes(input);
    // Compared as bytes: a knob position that is NaN is not equal to itself.
    require(kestrum::layout::encode(kestrum::layout::decode<InitRecord>(bytes)) == bytes,
            "decode then encode changes the bytes");

    // The init file is never read through a link: a file of its own name.
    static kestrum::fuzz::MemoryFile file(kestrum::fuzz::MemoryFile::Reach::ByName);
    file.write(input);
    kestrum::Environment env;
    env.initPath = file.path();
    const int result = kestrum::readInit(env);
    if (size < bytes.size()) {
        require(result == 1, "a short file is read as a record");
        require(env.initRecord == InitRecord{}, "a short file changes the record");
    } else {
        require(result == 0, "a whole record is not read");
        require(kestrum::layout::encode(env.initRecord) == bytes, "the record read is not the file's");
    }
    return 0;
}
