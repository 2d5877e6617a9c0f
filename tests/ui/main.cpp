// The window tests need an application object for their widgets: the player's own, so that an
// exception escaping an event handler meets what it meets in the player. They run offscreen.

#include "ui/PlayerApplication.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// The windows hand work between threads: a frame used after its function returned is a fault
// these tests look for.
extern "C" const char* __asan_default_options() {
    return "detect_stack_use_after_return=1";
}
#endif

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    kestrum::PlayerApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
