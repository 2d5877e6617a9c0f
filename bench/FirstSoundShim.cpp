// Preloaded into a player under kestrum_first_sound: notes the moment the first sound reaches
// SDL's disk driver. The driver writes each device buffer to the file SDL_DISKAUDIOFILE names with
// stdio; the first buffer holding a byte other than KESTRUM_FIRST_SOUND_SILENCE is the first sound,
// and its time (CLOCK_MONOTONIC, in nanoseconds) is written to the descriptor
// KESTRUM_FIRST_SOUND_FD. Nothing else changes: the call goes on to the real fwrite.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <unistd.h>

namespace {

std::FILE* diskFile = nullptr;
bool reported = false;

using Open = std::FILE* (*)(const char*, const char*);
using Write = std::size_t (*)(const void*, std::size_t, std::size_t, std::FILE*);
// The real functions, found at their first use or as the library is loaded, whichever comes
// first: both come before the program has threads (the libraries' own start-up may open files
// before this one's runs). No lock or guard: a lookup waits for the dynamic loader, which a thread
// loading a library holds while that library's start-up opens files.
Open realFopen = nullptr;
Open realFopen64 = nullptr;
Write realFwrite = nullptr;

template <class Function> Function found(Function& function, const char* name) {
    if (function == nullptr)
        function = reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
    return function;
}

__attribute__((constructor)) void findRealFunctions() {
    found(realFopen, "fopen");
    found(realFopen64, "fopen64");
    found(realFwrite, "fwrite");
}

std::FILE* noteIfDiskFile(std::FILE* file, const char* path) {
    const char* disk = std::getenv("SDL_DISKAUDIOFILE");
    if (file != nullptr && disk != nullptr && std::strcmp(path, disk) == 0)
        diskFile = file;
    return file;
}

void reportIfSound(const void* data, std::size_t bytes, std::FILE* file) {
    if (reported || file != diskFile)
        return;
    const char* silenceText = std::getenv("KESTRUM_FIRST_SOUND_SILENCE");
    const char* fdText = std::getenv("KESTRUM_FIRST_SOUND_FD");
    if (silenceText == nullptr || fdText == nullptr)
        return;
    const auto silence = static_cast<unsigned char>(std::atoi(silenceText));
    const auto* bytesIn = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < bytes; ++i) {
        if (bytesIn[i] != silence) {
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const long long nanoseconds = now.tv_sec * 1000000000LL + now.tv_nsec;
            char line[32];
            const int length = std::snprintf(line, sizeof line, "%lld\n", nanoseconds);
            if (::write(std::atoi(fdText), line, static_cast<std::size_t>(length)) < 0)
                return;
            reported = true;
            return;
        }
    }
}

} // namespace

extern "C" {

std::FILE* fopen(const char* path, const char* mode) {
    return noteIfDiskFile(found(realFopen, "fopen")(path, mode), path);
}

std::FILE* fopen64(const char* path, const char* mode) {
    return noteIfDiskFile(found(realFopen64, "fopen64")(path, mode), path);
}

std::size_t fwrite(const void* data, std::size_t size, std::size_t count, std::FILE* file) {
    reportIfSound(data, size * count, file);
    return found(realFwrite, "fwrite")(data, size, count, file);
}

} // extern "C"
