#pragma once

#include "app/Log.h"
#include "app/PlayerState.h"
#include "app/SplashDisplay.h"
#include "platform/Reporter.h"
#include "platform/SystemServices.h"
#include "recording/ReaderDisplays.h"

#include <string>

namespace kestrum {

// One run of the player: start-up in its fixed order, then the shutdown sequence exactly once,
// whoever asks for it (the end of the run, process exit).
class Player {
  public:
    Player(Messenger& messenger, SystemServices& system, SplashDisplay& splash);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Runs the player on the command line (the text after the program name); returns the exit
    // code: 1 when the command line, environment, version, recording or sound device fails.
    int run(const std::string& commandLine);

    // Stops what runs, releases what is held, saves the init record and removes the lock. Only
    // the first call does anything.
    void shutdown();

    PlayerState& state() { return state_; }

  private:
    int openForPlay();
    int loadRecording();
    void registerShutdownAtExit();
    void saveWindowState();

    PlayerState state_;
    Messenger& messenger_;
    SystemServices& system_;
    SplashDisplay& splash_;
    Log log_;
    Reporter reporter_;
    TextDisplays displays_; // the comment and keyword texts until their windows exist
    bool initRecordRead_ = false;
};

} // namespace kestrum
