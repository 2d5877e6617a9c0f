// The window tests need an application object for their widgets: the player's own, so that an
// exception escaping an event handler meets what it meets in the player. They run offscreen.

#include "ui/PlayerApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    kestrum::PlayerApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
