#pragma once

#include <string>

namespace kestrum::test {

// An X server of its own (Xvfb, 1280x1024, 24 bits) for running a real program's windows and
// sending them real keystrokes (xdotool): on a free display number that the server chooses, so
// tests running side by side never meet. Stopped at the end.
class VirtualDisplay {
  public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool started() const { return !name_.empty(); }
    // The value of DISPLAY for programs on it, as ":N".
    const std::string& name() const { return name_; }

  private:
    int pid_ = -1;
    std::string name_;
};

} // namespace kestrum::test
