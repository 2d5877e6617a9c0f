// zoqtool: the player's command-line companion, for scripted work on many calls.

#include "AnnotateCommands.h"
#include "CatalogueCommands.h"
#include "ConvertCommand.h"
#include "DecodeCommand.h"
#include "InfoCommand.h"
#include "PlayCommand.h"
#include "RedactCommand.h"
#include "StampCommands.h"
#include "TonesCommand.h"
#include "app/CommandLine.h"
#include "catalogue/CatalogueAddress.h"
#include "platform/TerminationCleanup.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: zoqtool info FILE [--json]\n"
    "       zoqtool decode FILE OUT.wav\n"
    "       zoqtool convert FILE OUT.{wav,flac,opus,mp3} [--from SECONDS] [--to SECONDS] "
    "[--bits 8|16]\n"
    "       zoqtool play FILE [--speed FACTOR] [--from SECONDS] [--keep-pitch] [--even] [--denoise]\n"
    "                    [--skip-silence] [--rewind 0-5]\n"
    "       zoqtool comment FILE TEXT\n"
    "       zoqtool keyword FILE WORD SECONDS\n"
    "       zoqtool tones FILE [--json]\n"
    "       zoqtool redact FILE OUT [--tones] [--section FROM TO]...\n"
    "       zoqtool stamp FILE LISTDIR\n"
    "       zoqtool verify FILE\n"
    "       zoqtool index DIR [--db FILE|postgresql://...] [--verify]\n"
    "       zoqtool search [--db FILE|postgresql://...] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--json] "
    "[WORDS...]\n";

constexpr const char* kHelp =
    "       zoqtool --help | --version | COMMAND --help\n"
    "\n"
    "The player's command-line companion: reads, plays, annotates, converts, redacts, stamps and\n"
    "catalogues recorded calls (.ZOQ files) with the player's own reader, decoder and save.\n"
    "\n"
    "Exit status: 0 done (verify: every checksum matches); 1 the command failed, its message on\n"
    "standard error (verify: something does not match); 2 the command line was not understood.\n";

using Command = int (*)(const std::vector<std::string>&);

// The commands by name.
Command commandNamed(const std::string& name) {
    static const std::pair<const char*, Command> commands[] = {
        {"info", zoqtool::runInfo},     {"decode", zoqtool::runDecode},   {"convert", zoqtool::runConvert},
        {"play", zoqtool::runPlay},     {"comment", zoqtool::runComment}, {"keyword", zoqtool::runKeyword},
        {"stamp", zoqtool::runStamp},   {"verify", zoqtool::runVerify},   {"index", zoqtool::runIndex},
        {"search", zoqtool::runSearch}, {"tones", zoqtool::runTones},     {"redact", zoqtool::runRedact},
    };
    for (const auto& [commandName, command] : commands)
        if (name == commandName)
            return command;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (const kestrum::InformationRequest request = kestrum::informationRequestOf(argc, argv);
        request != kestrum::InformationRequest::None)
        return kestrum::answerInformationRequest(request, "zoqtool", std::string(kUsage) + kHelp);
    // Ctrl-C, kill or a closed terminal during a conversion, a decode or a save leaves no partial
    // file behind; the program still ends as the signal ends it. Installed before the sound
    // device's library starts, which would otherwise take SIGINT and SIGTERM for events no one reads.
    kestrum::removeTemporaryFilesOnTermination();
    const Command command = argc < 2 ? nullptr : commandNamed(argv[1]);
    if (command == nullptr) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    // A catalogue server's password, copied above, is not left for every user's ps to read.
    kestrum::hidePasswordsInCommandLine(argc, argv);
    return command(arguments);
}
