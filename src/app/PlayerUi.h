#pragma once

#include "app/AnnotationViews.h"
#include "app/Environment.h"
#include "app/SplashDisplay.h"

namespace kestrum {

class PlayerActions;

// The windows of the player, as start-up and shutdown drive them. The desktop implementation
// is Qt's; start-up itself knows nothing of widgets.
class PlayerUi {
  public:
    virtual ~PlayerUi() = default;
    // The splash window, made before the recording is opened.
    virtual SplashDisplay& createSplash() = 0;
    // Destroys the splash window once the player window is to show, so that no hidden second
    // window under the product's title stays behind for the run.
    virtual void destroySplash() = 0;
    // Every window, hidden, in the order the player has always made them; what the user does in
    // them reaches the player through `player`.
    virtual void createWindows(PlayerActions& player) = 0;
    // Places the player window and clears the texts the windows fill later.
    virtual void setUpWindows() = 0;
    // Applies the init record to the windows, or, with none, their first placement.
    virtual void restoreWindowState(const InitRecord* record, bool viewerMode) = 0;
    // Copies the windows' placement and settings into the record.
    virtual void saveWindowState(InitRecord& record) = 0;
    // The comment and keyword windows, once made.
    virtual AnnotationViews& annotationViews() = 0;
    // Saves the additions while a "Saving File" window shows.
    virtual void saveWithProgress() = 0;
    // Follows the recording's file from now on: when another program replaces it, the comment and
    // keyword windows show what it holds (Annotations::reloadFromFile).
    virtual void watchRecording() = 0;
    // Centres the waveform on the play position (after loading, before anything plays).
    virtual void showPlayPosition() = 0;
    // The loaded call's analysis is in the player state (PlayerState::keyPresses, spectrogram):
    // the waveform window marks the key presses and can show the spectrogram.
    virtual void showCallAnalysis() = 0;
    // Stops refreshing the windows from the playback.
    virtual void stopDisplay() = 0;
    // Closes the windows and ends the export workers: one still converting or copying stops at
    // its next block, one waiting for the disc program is waited for.
    virtual void finishExports() = 0;
    // Shows the player window and runs until it closes; returns when the program should end.
    virtual void runMessageLoop() = 0;
    // Makes the message loop return (or not start) without closing a window.
    virtual void endMessageLoop() = 0;
};

} // namespace kestrum
