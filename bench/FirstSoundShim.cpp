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

template <class Function> Function real(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
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
    static const auto next = real<std::FILE* (*)(const char*, const char*)>("fopen");
    return noteIfDiskFile(next(path, mode), path);
}

std::FILE* fopen64(const char* path, const char* mode) {
    static const auto next = real<std::FILE* (*)(const char*, const char*)>("fopen64");
    return noteIfDiskFile(next(path, mode), path);
}

std::size_t fwrite(const void* data, std::size_t size, std::size_t count, std::FILE* file) {
    static const auto next =
        real<std::size_t (*)(const void*, std::size_t, std::size_t, std::FILE*)>("fwrite");
    reportIfSound(data, size * count, file);
    return next(data, size, count, file);
}

} // extern "C"
