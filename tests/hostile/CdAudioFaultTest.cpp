// The CD audio export's temporary file when the disk fills up, when the temporary directory cannot
// be written, and when the file is removed while it is written: the user is told, the run ends,
// and no temporary file is left behind.

#include "export/ExportWorkers.h"
#include "export/FakeExportUi.h"
#include "hostile/FaultInjection.h"
#include "support/FakeMessenger.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

// The export button of a test that can act while a step is shown on it.
class SteppedExportUi : public test::FakeExportUi {
  public:
    std::function<void(const std::string&)> onStatus;
    void setExportButtonLook(const ButtonLook& newLook) override {
        FakeExportUi::setExportButtonLook(newLook);
        if (onStatus)
            onStatus(newLook.caption);
    }
};

class CdAudioFaultTest : public ::testing::Test {
  protected:
    CdAudioFaultTest() {
        ::setenv("TMPDIR", temporary.path().c_str(), 1);
        setting.workingDirectory = working.path().string();
        setting.userName = "clerk";
        // The disc program notes the file it was given and how much it held then.
        const std::string script =
            "#!/bin/sh\nf=\"${1#^F}\"\nif [ -f \"$f\" ]; then wc -c < \"$f\"; else echo gone; "
            "fi > \"" +
            working.file("disc-saw") + "\"\n";
        test::writeFileBytes(working.file("Oskaret.exe"), {script.begin(), script.end()});
        fs::permissions(working.file("Oskaret.exe"), fs::perms::owner_all);
        store.append(test::makeAudio(24000)); // three seconds: about half a megabyte of CD audio
    }
    ~CdAudioFaultTest() override { ::unsetenv("TMPDIR"); }

    // Runs the export in this process; what was shown and logged, and what the disc program saw.
    std::string exportAudio() {
        AudioExportWorker(setting, 0, {0, 24000}, store, kPcmDefaultFormat, ui, log).run();
        std::string said;
        for (const std::string& text : ui.shown)
            said += "shown " + text + "\n";
        for (const std::string& line : log.lines)
            if (line.find("/KESTRUM") == std::string::npos) // the file's name is logged as it is made
                said += "logged " + line + "\n";
        if (fs::exists(working.file("disc-saw")))
            said += "disc program saw " + test::readFileText(working.file("disc-saw"));
        return said;
    }

    test::TempDir temporary;
    test::TempDir working;
    ExportSetting setting;
    SampleStore store;
    SteppedExportUi ui;
    test::FakeLog log;
};

TEST_F(CdAudioFaultTest, AFullDiskIsSaidAndTheTemporaryFileIsRemoved) {
    // What was written before the disk filled up still goes to the disc program.
    const auto said = test::runHampered({100000, {}}, [&] { return exportAudio(); });
    EXPECT_EQ(said, "shown SExpThread::Execute fwrite failed\nlogged SExpThread::Execute fwrite failed\n"
                    "disc program saw 100000\n");
    EXPECT_TRUE(fs::is_empty(temporary.path()));
}

TEST_F(CdAudioFaultTest, ATemporaryDirectoryThatCannotBeWrittenEndsTheRunBeforeTheDiscProgram) {
    // Its path runs through a file.
    const std::string file = temporary.file("file");
    test::writeFileBytes(file, {'x'});
    ::setenv("TMPDIR", (file + "/sub").c_str(), 1);
    EXPECT_EQ(exportAudio(), "shown SExpThread::Execute Could not GetTempFileName\n"
                             "logged SExpThread::Execute Could not GetTempFileName\n");
    EXPECT_EQ(ui.statuses.back(), "Add To CD &Export List");
    fs::remove(file);
    ::setenv("TMPDIR", temporary.path().c_str(), 1);

    if (!test::readOnlyDirectoriesWork())
        GTEST_SKIP() << "read-only bind mounts need user namespaces";
    ui.shown.clear();
    log.lines.clear();
    EXPECT_EQ(test::runHampered({std::nullopt, temporary.path().string()}, [&] { return exportAudio(); }),
              "shown SExpThread::Execute Could not GetTempFileName\n"
              "logged SExpThread::Execute Could not GetTempFileName\n");
    EXPECT_TRUE(fs::is_empty(temporary.path()));
}

TEST_F(CdAudioFaultTest, ATemporaryFileRemovedWhileWrittenLeavesNothingBehind) {
    ui.onStatus = [&](const std::string& caption) {
        if (caption == "Processing block 0")
            for (const fs::directory_entry& entry : fs::directory_iterator(temporary.path()))
                fs::remove(entry.path());
    };
    // The disc program is given the name it was made under; it is gone, and the disc program says so.
    EXPECT_EQ(exportAudio(), "disc program saw gone\n");
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    EXPECT_EQ(ui.statuses.back(), "Add To CD &Export List");
}

} // namespace
} // namespace kestrum
