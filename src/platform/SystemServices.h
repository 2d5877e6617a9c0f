#pragma once

#include <cstdint>
#include <string>

namespace kestrum {

// What the player asks of the operating system about where and as whom it runs.
class SystemServices {
  public:
    virtual ~SystemServices() = default;
    // The current directory; false when it cannot be had or is longer than `maxLength`.
    virtual bool currentDirectory(std::string& directory, std::size_t maxLength) = 0;
    // The logged-on user's name; false when unknown or longer than `maxLength`.
    virtual bool userName(std::string& name, std::size_t maxLength) = 0;
    // The platform id of the operating-system version query: 2 is the NT family, as here.
    virtual bool osPlatformId(std::uint32_t& platformId) = 0;
    // The computer's name cut to `maxLength`; false with an error code when it cannot be had.
    virtual bool computerName(std::string& name, std::size_t maxLength, int& error) = 0;
};

// The real services: getcwd, the password database, uname and gethostname.
class PosixSystemServices : public SystemServices {
  public:
    bool currentDirectory(std::string& directory, std::size_t maxLength) override;
    bool userName(std::string& name, std::size_t maxLength) override;
    bool osPlatformId(std::uint32_t& platformId) override;
    bool computerName(std::string& name, std::size_t maxLength, int& error) override;
};

inline constexpr std::uint32_t kPlatformNtFamily = 2;

} // namespace kestrum
