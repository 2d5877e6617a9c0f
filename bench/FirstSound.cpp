// kestrum_first_sound: how long a program takes from its start to its first sound, through SDL's
// disk driver: `kestrum_first_sound SILENCE_BYTE PROGRAM [ARGS...]` starts the program with the disk
// driver writing to a file of its own and the kestrum_first_sound_shim library preloaded, which
// tells the moment the first buffer holding anything but SILENCE_BYTE is written (128 for unsigned
// 8-bit sound, 0 for 16-bit). It prints `first_sound_seconds=...`, then ends the program (SIGTERM).
// The program runs in the current directory, with the environment given to this one.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long monotonicNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kestrum_first_sound SILENCE_BYTE PROGRAM [ARGS...]\n");
        return 2;
    }
    const char* shim = std::getenv("KESTRUM_FIRST_SOUND_SHIM");
    const char* disk = std::getenv("SDL_DISKAUDIOFILE");
    if (shim == nullptr || disk == nullptr) {
        std::fprintf(stderr, "kestrum_first_sound: set KESTRUM_FIRST_SOUND_SHIM and SDL_DISKAUDIOFILE\n");
        return 2;
    }
    int report[2];
    if (::pipe(report) != 0)
        return 1;
    const long long started = monotonicNanoseconds();
    if (std::getenv("KESTRUM_FIRST_SOUND_TRACE") != nullptr)
        std::fprintf(stderr, "T %lld.%06lld fork\n", started / 1000000000, started % 1000000000 / 1000);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("LD_PRELOAD", shim, 1);
        ::setenv("KESTRUM_FIRST_SOUND_SILENCE", argv[1], 1);
        ::setenv("KESTRUM_FIRST_SOUND_FD", std::to_string(report[1]).c_str(), 1);
        ::execvp(argv[2], argv + 2);
        std::_Exit(127);
    }
    ::close(report[1]);
    pollfd waiting{report[0], POLLIN, 0};
    char line[32] = {};
    const bool heard = ::poll(&waiting, 1, 60000) == 1 && ::read(report[0], line, sizeof line - 1) > 0;
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!heard) {
        std::fprintf(stderr, "kestrum_first_sound: %s made no sound within a minute\n", argv[2]);
        return 1;
    }
    std::printf("first_sound_seconds=%.6f\n", static_cast<double>(std::atoll(line) - started) / 1e9);
    return 0;
}
