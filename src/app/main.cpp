// kestrum: the call-recording player. Its one command line is the arguments after the program
// name, joined by spaces: a recording path, or caret-separated lettered options.

#include "app/CommandLine.h"
#include "app/Player.h"
#include "audio/SdlAudioOutput.h"
#include "platform/Messenger.h"
#include "platform/SystemServices.h"
#include "ui/PlayerApplication.h"
#include "ui/QtMessenger.h"
#include "ui/QtPlayerUi.h"

namespace {

constexpr const char* kUsage =
    "usage: kestrum FILE\n"
    "       kestrum '^FFILE[^LETTERVALUE]...'\n"
    "       kestrum --help | --version\n"
    "\n"
    "Opens one recorded call (a .ZOQ file) in the LUMBRA PLAYER window and plays it.\n"
    "The command line is the recording's path, or caret-separated options, each a letter\n"
    "and its value: ^F the path, ^C3 comments, ^S2 keywords, ^E2 export, ^R1 read only,\n"
    "^O1 viewer mode, and values that replace the header's (man kestrum lists them all).\n"
    "\n"
    "Exit status: 0 after the player ran and was closed; 1 when start-up failed (the\n"
    "command line, the per-user folder or lock, the recording or the sound device), also\n"
    "when a signal ended it while that failure's message was shown.\n";

} // namespace

int main(int argc, char** argv) {
    // Asked about itself, the player answers and ends: no window, nothing made, nothing logged.
    if (const kestrum::InformationRequest request = kestrum::informationRequestOf(argc, argv);
        request != kestrum::InformationRequest::None)
        return kestrum::answerInformationRequest(request, "kestrum", kUsage);
    const std::string commandLine = kestrum::joinArguments(argc, argv);

    // Message boxes may be needed from the first step on, so the application object comes first.
    // It gets only the program name: the caller's arguments are the player's, not Qt's.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    kestrum::PlayerApplication application(qtArgc, qtArgv);
    kestrum::PlayerApplication::setApplicationName(QString::fromLatin1(kestrum::kProductTitle));

    std::unique_ptr<kestrum::Messenger> messenger = kestrum::makeMessenger();
    kestrum::PosixSystemServices system;
    kestrum::SdlAudioOutput device;
    kestrum::QtPlayerUi ui;
    kestrum::Player player(*messenger, system, device, ui);
    return application.runPlayer(player, commandLine);
}
