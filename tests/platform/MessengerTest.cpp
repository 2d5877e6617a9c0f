// Unattended mode: one line per message on standard error, and the configured answer.

#include "platform/StderrMessenger.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrum {
namespace {

TEST(Messenger, AMessageLineIsTitledAndKeepsLineBreaksAsBackslashN) {
    EXPECT_EQ(messageLine("File not found\n/calls/x.ZOQ"), "LUMBRA PLAYER: File not found\\n/calls/x.ZOQ");
    EXPECT_EQ(messageLine("a\r\nb\rc"), "LUMBRA PLAYER: a\\nb\\nc");
    EXPECT_EQ(messageLine(""), "LUMBRA PLAYER: ");
}

TEST(Messenger, UnattendedModeIsYesOrNoAndNothingElse) {
    ::setenv("KESTRUM_UNATTENDED", "yes", 1);
    EXPECT_EQ(unattendedAnswer(), std::optional<bool>(true));
    ::setenv("KESTRUM_UNATTENDED", "no", 1);
    EXPECT_EQ(unattendedAnswer(), std::optional<bool>(false));
    ::setenv("KESTRUM_UNATTENDED", "YES", 1);
    EXPECT_EQ(unattendedAnswer(), std::nullopt);
    ::unsetenv("KESTRUM_UNATTENDED");
    EXPECT_EQ(unattendedAnswer(), std::nullopt);
}

TEST(Messenger, UnattendedQuestionsGetTheConfiguredAnswer) {
    UnattendedMessenger yes(true);
    UnattendedMessenger no(false);
    EXPECT_TRUE(yes.askQuestion("Save New Additions?"));
    EXPECT_FALSE(no.askQuestion("Save New Additions?"));
}

} // namespace
} // namespace kestrum
