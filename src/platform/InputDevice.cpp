#include "platform/InputDevice.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kestrum {

namespace {

constexpr const char* kInputById = "/dev/input/by-id";
constexpr unsigned short kPedalVendor = 0x05f3;
constexpr unsigned short kPedalProduct = 0x00ff;

bool isFootPedal(int fd) {
    input_id id{};
    return ::ioctl(fd, EVIOCGID, &id) == 0 && id.vendor == kPedalVendor && id.product == kPedalProduct;
}

} // namespace

int openInputDevice(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

std::string findFootPedal() {
    DIR* folder = ::opendir(kInputById);
    if (folder == nullptr)
        return {};
    std::string found;
    while (const dirent* entry = ::readdir(folder)) {
        // Each device's event node ends in "-event-..."; its other names (mouse, joystick) repeat it.
        if (std::strstr(entry->d_name, "-event-") == nullptr)
            continue;
        const std::string path = std::string(kInputById) + "/" + entry->d_name;
        const int fd = openInputDevice(path);
        if (fd < 0)
            continue;
        const bool pedal = isFootPedal(fd);
        ::close(fd);
        if (pedal) {
            found = path;
            break;
        }
    }
    ::closedir(folder);
    return found;
}

std::vector<PedalEvent> InputEventDecoder::decode(const unsigned char* bytes, std::size_t count) {
    partial_.insert(partial_.end(), bytes, bytes + count);
    std::vector<PedalEvent> events;
    std::size_t at = 0;
    for (; partial_.size() - at >= sizeof(input_event); at += sizeof(input_event)) {
        input_event record{};
        std::memcpy(&record, partial_.data() + at, sizeof record);
        if (record.type != EV_KEY || record.code < BTN_0 || record.code > BTN_2 ||
            (record.value != 0 && record.value != 1))
            continue;
        events.push_back({static_cast<Pedal>(record.code - BTN_0), record.value == 1});
    }
    partial_.erase(partial_.begin(), partial_.begin() + static_cast<std::ptrdiff_t>(at));
    return events;
}

} // namespace kestrum
