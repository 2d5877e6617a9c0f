// zoqtool: the player's command-line companion, for scripted work on many calls.

#include "AnnotateCommands.h"
#include "CatalogueCommands.h"
#include "ConvertCommand.h"
#include "DecodeCommand.h"
#include "InfoCommand.h"
#include "PlayCommand.h"
#include "StampCommands.h"
#include "catalogue/CatalogueAddress.h"
#include "platform/TerminationCleanup.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void printUsage() {
    std::fprintf(
        stderr,
        "usage: zoqtool info FILE [--json]\n"
        "       zoqtool decode FILE OUT.wav\n"
        "       zoqtool convert FILE OUT.{wav,flac,opus,mp3} [--from SECONDS] [--to SECONDS] "
        "[--bits 8|16]\n"
        "       zoqtool play FILE [--speed FACTOR] [--from SECONDS] [--keep-pitch] [--even] [--denoise]\n"
        "                    [--skip-silence] [--rewind 0-5]\n"
        "       zoqtool comment FILE TEXT\n"
        "       zoqtool keyword FILE WORD SECONDS\n"
        "       zoqtool stamp FILE LISTDIR\n"
        "       zoqtool verify FILE\n"
        "       zoqtool index DIR [--db FILE] [--verify]\n"
        "       zoqtool search [--db FILE] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--json] "
        "[WORDS...]\n");
}

} // namespace

int main(int argc, char** argv) {
    // Ctrl-C, kill or a closed terminal during a conversion, a decode or a save leaves no partial
    // file behind; the program still ends as the signal ends it. Installed before the sound
    // device's library starts, which would otherwise take SIGINT and SIGTERM for events no one reads.
    kestrum::removeTemporaryFilesOnTermination();
    if (argc < 2) {
        printUsage();
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    // A catalogue server's password, copied above, is not left for every user's ps to read.
    kestrum::hidePasswordsInCommandLine(argc, argv);
    if (command == "info")
        return zoqtool::runInfo(arguments);
    if (command == "decode")
        return zoqtool::runDecode(arguments);
    if (command == "convert")
        return zoqtool::runConvert(arguments);
    if (command == "play")
        return zoqtool::runPlay(arguments);
    if (command == "comment")
        return zoqtool::runComment(arguments);
    if (command == "keyword")
        return zoqtool::runKeyword(arguments);
    if (command == "stamp")
        return zoqtool::runStamp(arguments);
    if (command == "verify")
        return zoqtool::runVerify(arguments);
    if (command == "index")
        return zoqtool::runIndex(arguments);
    if (command == "search")
        return zoqtool::runSearch(arguments);
    printUsage();
    return 2;
}
