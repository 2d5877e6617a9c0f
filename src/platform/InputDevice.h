#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kestrum {

// A button of a three-pedal transcription foot pedal, as Linux's input layer reports it
// (BTN_0, BTN_1, BTN_2).
enum class Pedal { Left, Middle, Right };

struct PedalEvent {
    Pedal pedal;
    bool pressed; // false: released
};

// Opens an input event device (or anything else that yields `struct input_event` records, such
// as a FIFO) for reading without blocking: the descriptor, or -1 with errno.
int openInputDevice(const std::string& path);

// The first foot pedal the user can open under /dev/input/by-id: the device whose id
// (EVIOCGID) is USB 05f3:00ff, the common three-pedal transcription pedal; empty when none.
std::string findFootPedal();

// Turns the bytes read from an input device into pedal presses and releases; key repeats and
// every other event are left out. Bytes of a record not yet whole wait for the rest.
class InputEventDecoder {
  public:
    std::vector<PedalEvent> decode(const unsigned char* bytes, std::size_t count);

  private:
    std::vector<unsigned char> partial_;
};

} // namespace kestrum
