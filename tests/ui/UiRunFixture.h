#pragma once

// A real run of the player on a real file, offscreen, with a fake sound device: the message
// loop is replaced by one look at the windows once the player window has been shown. The sound
// device is one the test clocks: it takes sound only when the test pulls it.

#include "app/Player.h"
#include "support/FakeAudioOutput.h"
#include "support/FakeMessenger.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"
#include "ui/PlayerWindow.h"
#include "ui/QtPlayerUi.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace kestrum::test {

// A part of a window found as a user's tools find it: by its object name, below `window`. A part
// that is not there fails the test.
template <class Part> Part* partOf(const QObject& window, const char* name) {
    auto* part = window.findChild<Part*>(QString::fromLatin1(name));
    if (part == nullptr) {
        ADD_FAILURE() << "no part named " << name;
        throw std::logic_error(std::string("no part named ") + name);
    }
    return part;
}

class InspectingUi : public QtPlayerUi {
  public:
    std::function<void(InspectingUi&)> inspect;
    PlayerActions* player = nullptr;

    void createWindows(PlayerActions& owner) override {
        player = &owner;
        QtPlayerUi::createWindows(owner);
    }

    void runMessageLoop() override {
        playerWindow()->show();
        QApplication::processEvents();
        if (inspect)
            inspect(*this);
        playerWindow()->close();
    }
};

class UiRunFixture : public ::testing::Test {
  protected:
    // Runs the player on the recording with the given options; returns its exit code.
    int runOn(const RecordingBuilder& builder, const std::string& options,
              std::function<void(InspectingUi&)> inspect) {
        builder.writeTo(path);
        ScopedCurrentDirectory here(dir.path());
        PosixSystemServices system;
        InspectingUi ui;
        ui.inspect = std::move(inspect);
        Player player(boxes != nullptr ? *boxes : messenger, system,
                      soundDevice != nullptr ? *soundDevice : device, ui);
        device.beforeEachBuffer = [&player] { player.session().sound().waitUntilRendered(); };
        const int exitCode = player.run("^F" + path + options);
        device.beforeEachBuffer = nullptr;
        return exitCode;
    }

    TempDir dir;
    std::string path = dir.file("call.ZOQ");
    FakeMessenger messenger;
    FakeAudioOutput device;
    // A real device instead of the fake one, for the tests of what is heard.
    AudioOutput* soundDevice = nullptr;
    // The real message boxes instead of the fake messenger, for the tests of what a box does.
    Messenger* boxes = nullptr;
};

} // namespace kestrum::test
