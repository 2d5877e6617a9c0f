#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kestrum::fuzz {

// A file that lives in memory (memfd) and that the player's readers open by path
// (/proc/self/fd/N), as they open any recording. A fuzzer keeps one for its whole run and
// rewrites it for each input, so no descriptor or file is left behind however many inputs run.
class MemoryFile {
  public:
    // Where the file lives: in memory, reached through the /proc link; or, for the readers that
    // refuse to open a link (the init file's), as a real file of a private scratch folder.
    enum class Reach { ThroughLink, ByName };
    explicit MemoryFile(Reach reach = Reach::ThroughLink);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the whole content of the file.
    void write(std::span<const std::uint8_t> bytes);
    const std::string& path() const { return path_; }

  private:
    int fd_ = -1;
    std::string path_;
    std::string folder_; // the scratch folder of a file reached by name
};

} // namespace kestrum::fuzz
