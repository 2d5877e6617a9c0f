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

int main(int argc, char** argv) {
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
