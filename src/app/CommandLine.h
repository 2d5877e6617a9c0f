#pragma once

#include "platform/Messenger.h"
#include "recording/HeaderUpgrade.h"

#include <array>
#include <string>

namespace kestrum {

// What the lettered options with a few values ask for. Each value is named by what it does; the
// letters take the numbers in the order listed here (the first is 0).

// A: how many export keys are in use. Held for the run, read by nothing else.
enum class KeyCountMode { AllByDefault, One, Two, All };
// C: the comment button of the player window.
enum class CommentMode {
    Hidden,       // no button
    Disabled,     // the button shows, greyed
    ReadExisting, // the button opens the existing comments
    AddNew,       // and new comments can be typed and saved
};
// E: the export button of the player window.
enum class ExportMode { Hidden, Disabled, Enabled };
// K: what the export button does: converts the call's audio for a disc, or adds the recording to
// the export list.
enum class ExportVariant { AudioForDisc, ExportList };
// S: the keyword button of the player window; with Enabled a click on the waveform adds a keyword.
enum class KeywordMode { Hidden, Disabled, Enabled };

// The option values of one run, with their defaults. The command line is the only configuration.
struct Options {
    KeyCountMode keyCountMode = KeyCountMode::AllByDefault;    // A
    int extra2Value = 0;                                       // B
    CommentMode commentMode = CommentMode::Hidden;             // C
    std::string recordedDateText;                              // D, shorter than 20 characters
    ExportMode exportMode = ExportMode::Hidden;                // E
    std::string recordingPath;                                 // F, shorter than 261 characters
    std::array<std::string, 3> encryptionKeys;                 // G, 8 letters or digits each
    int hourValue = -1;                                        // H
    ExportVariant exportVariant = ExportVariant::AudioForDisc; // K
    int secondValue = -1;                                      // L
    int minuteValue = -1;                                      // M
    std::string ridLabel = "Rid";                              // N, shorter than 4 characters
    // O: the player runs from an export disc, and saves, exports and writes nothing. The one place
    // the run's viewer mode is kept.
    bool viewerMode = false;
    int monthValue = -1;                           // P
    int dayValue = -1;                             // Q
    bool readOnly = false;                         // R: comments and keywords cannot be saved
    KeywordMode keywordMode = KeywordMode::Hidden; // S
    std::string recordedTimeText;                  // T, shorter than 20 characters
    int costValue = -1;                            // U
    int durationValue = -1;                        // V
    int diskWriterValue = -1;                      // W
    int compCodeValue = -1;                        // X
    int routeValue = -1;                           // Y
    int yearValue = -1;                            // Z

    // The header values to apply to the converted header.
    HeaderOverrides headerOverrides() const;
};

inline constexpr std::size_t kCommandLineBufferSize = 400;
inline constexpr std::size_t kPathBufferSize = 261;

// Reads the command line (the text after the program name) into `options`. Returns 1 after
// showing the message for a refused option, 0 otherwise. Nothing is logged: no log exists yet.
int parseCommandLine(const std::string& text, Options& options, Messenger& messenger);

// The one command-line text: the process's arguments after the program name, joined by spaces.
std::string joinArguments(int argc, const char* const* argv);

// A command line that asks about the program instead of giving it work: "--help" or "--version"
// as the one argument, and nothing else (so every command line the programs take stays theirs).
// Answered before anything else is made: no window, no per-user folder, no log.
enum class InformationRequest { None, Help, Version };
InformationRequest informationRequestOf(int argc, const char* const* argv);

// A program's answer to --version: "NAME 1.0.0.0", the version of this build.
std::string versionLine(const char* program);

// Prints the answer to `request` (not None) on standard output: `usage` for --help, the version
// line for --version. The exit code: 0, or 1 when standard output could not take it.
int answerInformationRequest(InformationRequest request, const char* program, const std::string& usage);

} // namespace kestrum
