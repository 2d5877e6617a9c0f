// What a Linux user tries first on every program, with the real binaries: --help and --version,
// a FIFO, a folder or a device given as the call, and zoqtool's bash completion.

#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sys/stat.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

struct Invocation {
    std::string program;
    std::vector<std::string> arguments;
};

std::string shown(const Invocation& run) {
    std::string text = fs::path(run.program).filename().string();
    for (const std::string& argument : run.arguments)
        text += " " + argument;
    return text;
}

TEST(CommandLineConventions, HelpAndVersionAloneAnswerOnStandardOutputAndMakeNothing) {
    const struct {
        Invocation run;
        int exitCode;
        std::string out; // a regular expression for the whole of standard output
        std::string err; // the start of standard error
    } cases[] = {
        {{KESTRUM_BINARY, {"--help"}}, 0, "usage: kestrum FILE\n[^]*Exit status: [^]*", ""},
        {{KESTRUM_BINARY, {"--version"}}, 0, "kestrum \\d+\\.\\d+\\.\\d+\\.\\d+\n", ""},
        {{VANTREL_BINARY, {"--help"}}, 0, "usage: vantrel \\[FOLDER\\][^]*Exit status: [^]*", ""},
        {{VANTREL_BINARY, {"--version"}}, 0, "vantrel \\d+\\.\\d+\\.\\d+\\.\\d+\n", ""},
        {{ZOQTOOL_BINARY, {"--help"}}, 0, "usage: zoqtool info FILE \\[--json\\]\n[^]*Exit status: [^]*", ""},
        {{ZOQTOOL_BINARY, {"--version"}}, 0, "zoqtool \\d+\\.\\d+\\.\\d+\\.\\d+\n", ""},
        {{ZOQTOOL_BINARY, {"info", "--help"}},
         0,
         "usage: zoqtool info FILE \\[--json\\]\n\n[^]*--json[^]*",
         ""},
        {{ZOQTOOL_BINARY, {"decode", "--help"}}, 0, "usage: zoqtool decode FILE OUT.wav\n[^]*", ""},
        {{ZOQTOOL_BINARY, {"convert", "--help"}}, 0, "usage: zoqtool convert [^]*--bits 8\\|16 [^]*", ""},
        {{ZOQTOOL_BINARY, {"play", "--help"}}, 0, "usage: zoqtool play [^]*--skip-silence [^]*", ""},
        {{ZOQTOOL_BINARY, {"comment", "--help"}}, 0, "usage: zoqtool comment FILE TEXT\n[^]*", ""},
        {{ZOQTOOL_BINARY, {"keyword", "--help"}}, 0, "usage: zoqtool keyword FILE WORD SECONDS\n[^]*", ""},
        {{ZOQTOOL_BINARY, {"tones", "--help"}}, 0, "usage: zoqtool tones FILE \\[--json\\]\n[^]*", ""},
        {{ZOQTOOL_BINARY, {"redact", "--help"}},
         0,
         "usage: zoqtool redact FILE OUT [^]*--section FROM TO[^]*",
         ""},
        {{ZOQTOOL_BINARY, {"stamp", "--help"}}, 0, "usage: zoqtool stamp FILE LISTDIR\n[^]*", ""},
        {{ZOQTOOL_BINARY, {"verify", "--help"}}, 0, "usage: zoqtool verify FILE\n[^]*", ""},
        {{ZOQTOOL_BINARY, {"index", "--help"}}, 0, "usage: zoqtool index DIR [^]*--verify [^]*", ""},
        {{ZOQTOOL_BINARY, {"search", "--help"}}, 0, "usage: zoqtool search [^]*--json [^]*", ""},
        // Recognised only as the whole command line; the rest is as it was.
        {{ZOQTOOL_BINARY, {"info", "--help", "call.ZOQ"}}, 2, "", "usage: zoqtool info FILE [--json]\n"},
        {{ZOQTOOL_BINARY, {"--help", "info"}}, 2, "", "usage: zoqtool info FILE [--json]\n"},
        {{ZOQTOOL_BINARY, {"frobnicate"}}, 2, "", "usage: zoqtool info FILE [--json]\n"},
        {{ZOQTOOL_BINARY, {}}, 2, "", "usage: zoqtool info FILE [--json]\n"},
    };
    for (const auto& [run, exitCode, out, err] : cases) {
        SCOPED_TRACE(shown(run));
        // No display of any kind: a program that made its application object would fail.
        test::TempDir work, home;
        test::ProcessOptions options;
        options.workingDirectory = work.path().string();
        options.env = {{"HOME", home.path().string()}};
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"};
        options.timeoutSeconds = 10;
        const test::ProcessResult result = test::runProcess(run.program, run.arguments, options);
        EXPECT_EQ(result.exitCode, exitCode) << result.err;
        EXPECT_TRUE(std::regex_match(result.out, std::regex(out))) << result.out;
        EXPECT_EQ(result.err.substr(0, err.size()), err);
        // No per-user folder, no log, nothing in the home folder either.
        EXPECT_TRUE(fs::is_empty(work.path()));
        EXPECT_TRUE(fs::is_empty(home.path()));
    }
}

TEST(CommandLineConventions, AFolderAFifoOrADeviceGivenAsTheCallIsRefusedAtOnceByEveryProgram) {
    test::TempDir dir;
    const std::string fifo = dir.file("pipe.ZOQ");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.file("folder.ZOQ");
    fs::create_directory(folder);
    test::RecordingBuilder(9).writeTo(dir.file("call.ZOQ"));
    const struct {
        std::string path;
        std::string kind;
    } files[] = {{fifo, "a FIFO (named pipe)"}, {folder, "a directory"}, {"/dev/null", "a character device"}};

    test::TempDir work;
    test::ProcessOptions options;
    options.workingDirectory = work.path().string();
    options.env = {
        {"QT_QPA_PLATFORM", "offscreen"}, {"KESTRUM_UNATTENDED", "no"}, {"SDL_AUDIODRIVER", "dummy"}};
    options.timeoutSeconds = 10; // a FIFO's open would wait for ever
    for (const auto& [path, kind] : files) {
        const std::string refusal =
            "Could not open file\n" + path + "\nIt is " + kind + ", not a regular file\n";
        const Invocation runs[] = {
            {KESTRUM_BINARY, {path}},
            {ZOQTOOL_BINARY, {"info", path}},
            {ZOQTOOL_BINARY, {"decode", path, dir.file("out.wav")}},
            {ZOQTOOL_BINARY, {"convert", path, dir.file("out.flac")}},
            {ZOQTOOL_BINARY, {"play", path}},
            {ZOQTOOL_BINARY, {"comment", path, "a comment"}},
            {ZOQTOOL_BINARY, {"keyword", path, "word", "1"}},
            {ZOQTOOL_BINARY, {"tones", path}},
            {ZOQTOOL_BINARY, {"redact", path, dir.file("out.ZOQ"), "--tones"}},
            {ZOQTOOL_BINARY, {"stamp", path, dir.file("list")}},
            {ZOQTOOL_BINARY, {"verify", path}},
        };
        for (const Invocation& run : runs) {
            SCOPED_TRACE(shown(run));
            const test::ProcessResult result = test::runProcess(run.program, run.arguments, options);
            EXPECT_EQ(result.exitCode, 1) << result.err;
            if (run.program == KESTRUM_BINARY) {
                std::string line = "LUMBRA PLAYER: " + refusal;
                line = std::regex_replace(line.substr(0, line.size() - 1), std::regex("\n"), "\\n") + "\n";
                EXPECT_NE(result.err.find(line), std::string::npos) << result.err;
            } else {
                EXPECT_NE(result.err.find(refusal), std::string::npos) << result.err;
            }
        }
    }
    // The catalogue passes them by, and reads the recording beside them.
    const test::ProcessResult indexed = test::runProcess(
        ZOQTOOL_BINARY, {"index", dir.path().string(), "--db", work.file("c.sqlite")}, options);
    EXPECT_EQ(indexed.exitCode, 0) << indexed.err;
    EXPECT_EQ(indexed.out, "1 read, 0 unchanged, 0 failed, 0 removed\n");
}

TEST(CommandLineConventions, BashCompletesZoqtoolsCommandsOptionsRecordingsAndConvertsOutputKinds) {
    test::TempDir dir;
    for (const char* name : {"call.ZOQ", "old.zoq", "notes.txt"})
        test::writeFileBytes(dir.file(name), {});
    fs::create_directory(dir.file("calls"));
    // Each answer sorted: bash lists files in the folder's order.
    const std::string script = R"sh(
        source "$0" || exit 1
        complete -p zoqtool
        ask() {
            COMP_WORDS=("$@")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            _zoqtool
            echo "$*|$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ')"
}
        ask zoqtool ""
        ask zoqtool co
        ask zoqtool info ""
        ask zoqtool play --
        ask zoqtool play call.ZOQ --speed 1.
        ask zoqtool convert call.ZOQ ""
        ask zoqtool convert --from 5 call.ZOQ part.o
        ask zoqtool convert call.ZOQ out.mp3 --bits ""
        ask zoqtool index ""
        ask zoqtool tones --
        ask zoqtool redact call.ZOQ ""
        ask zoqtool redact call.ZOQ --section 1 ""
        ask zoqtool redact call.ZOQ out.ZOQ --
    )sh";
    test::ProcessOptions options;
    options.workingDirectory = dir.path().string();
    const test::ProcessResult result =
        test::runProcess("/bin/bash", {"--norc", "-c", script, ZOQTOOL_COMPLETION}, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < result.out.size();) {
        const std::size_t end = result.out.find('\n', start);
        lines.push_back(result.out.substr(start, end - start));
        start = end == std::string::npos ? result.out.size() : end + 1;
    }
    const std::vector<std::string> expected = {
        "complete -F _zoqtool zoqtool",
        "zoqtool |--help --version comment convert decode index info keyword play redact search stamp tones "
        "verify",
        "zoqtool co|comment convert",
        "zoqtool info |call.ZOQ calls old.zoq",
        "zoqtool play --|--denoise --even --from --help --keep-pitch --rewind --skip-silence --speed",
        "zoqtool play call.ZOQ --speed 1.|1.25 1.5",
        "zoqtool convert call.ZOQ |call.flac call.mp3 call.opus call.wav calls",
        "zoqtool convert --from 5 call.ZOQ part.o|part.opus",
        "zoqtool convert call.ZOQ out.mp3 --bits |16 8",
        "zoqtool index |calls",
        "zoqtool tones --|--help --json",
        "zoqtool redact call.ZOQ |call-redacted.ZOQ calls",
        "zoqtool redact call.ZOQ --section 1 |",
        "zoqtool redact call.ZOQ out.ZOQ --|--section --tones",
    };
    EXPECT_EQ(lines, expected) << result.out;
}

} // namespace
} // namespace kestrum
