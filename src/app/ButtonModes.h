#pragma once

#include "app/CommandLine.h"

#include <cstdint>

namespace kestrum {

// Which side windows were open when the previous run ended (from the init record).
struct WindowOpenFlags {
    bool waveform = false;
    bool keywords = false;
    bool newComments = false;
    bool existingComments = false;
};

// What the player window's first showing does with its side-window and export buttons.
struct ButtonModes {
    bool scannedWordsVisible = false;
    bool scannedWordsEnabled = false;
    bool textVisible = false;
    bool textEnabled = false;
    bool exportVisible = false;
    bool exportEnabled = false;
    // Side windows to reopen, as the previous run left them.
    bool showKeywords = false;
    bool showNewComments = false;
    bool showExistingComments = false;
};

// Whether the New Comments window, where comments are typed, is offered: in comment mode AddNew, and
// not in viewer mode, whose player saves nothing.
bool newCommentsOffered(const Options& options);

// The buttons by the comment, keyword and export modes and the recording's version: keywords can
// be listed for the versions the version table says (keywordButtonLive).
ButtonModes buttonModes(int version, const Options& options, const WindowOpenFlags& open);

// The start-up adjustment for systems outside the NT family (a platform id other than 2).
void adjustModesForPlatform(Options& options, std::uint32_t osPlatformId);

} // namespace kestrum
