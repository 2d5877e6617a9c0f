#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrum::test {

// A fresh directory under the temporary directory, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> readFileBytes(const std::string& path);
std::string readFileText(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// A file's permission bits (07777), read without following a link.
unsigned modeOf(const std::filesystem::path& path);

// Runs `body` with the current directory changed to `directory`, restoring it afterwards.
class ScopedCurrentDirectory {
  public:
    explicit ScopedCurrentDirectory(const std::filesystem::path& directory);
    ~ScopedCurrentDirectory();

  private:
    std::filesystem::path previous_;
};

} // namespace kestrum::test
