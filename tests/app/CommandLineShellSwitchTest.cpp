#include <gtest/gtest.h>

#include "CCommandLine.h"

namespace {
using Shell = CCommandLine::ShellCommand;

CCommandLine Parse(std::vector<std::string> args) {
    return CCommandLine::Parse(args);
}
}  // namespace

TEST(CommandLineShellSwitches, PrintSwitchesAreCaseSensitive) {
    CCommandLine print = Parse({"-p", "lied.kt"});
    EXPECT_EQ(print.m_action, CCommandLine::Action::editor);
    EXPECT_EQ(print.m_shellCommand, Shell::print);
    EXPECT_EQ(print.m_strDocument, "lied.kt");

    CCommandLine printTo = Parse({"/pt", "lied.kt", "Drucker", "Treiber", "LPT1"});
    EXPECT_EQ(printTo.m_shellCommand, Shell::printTo);
    EXPECT_EQ(printTo.m_strDocument, "lied.kt");
    EXPECT_EQ(printTo.m_strPrinter, "Drucker");
    EXPECT_EQ(printTo.m_strDriver, "Treiber");
    EXPECT_EQ(printTo.m_strPort, "LPT1");

    EXPECT_EQ(Parse({"/dde"}).m_shellCommand, Shell::dde);
    // Upper case is no switch: with "/" a path, with "-" an unknown option.
    EXPECT_EQ(Parse({"/P"}).m_strDocument, "/P");
    EXPECT_EQ(Parse({"/P"}).m_shellCommand, Shell::none);
    EXPECT_EQ(Parse({"/DDE"}).m_strDocument, "/DDE");
    EXPECT_EQ(Parse({"-PT", "lied.kt"}).m_action, CCommandLine::Action::usageError);
}

TEST(CommandLineShellSwitches, OtherSwitchesIgnoreCase) {
    EXPECT_EQ(Parse({"-Unregister"}).m_shellCommand, Shell::unregister);
    EXPECT_EQ(Parse({"/UNREGSERVER"}).m_shellCommand, Shell::unregister);
    CCommandLine embedded = Parse({"/unregister", "-EMBEDDING"});
    EXPECT_EQ(embedded.m_shellCommand, Shell::unregister);
    EXPECT_TRUE(embedded.m_bEmbedding);
    CCommandLine automation = Parse({"-automation", "/home/anna/lied.kt"});
    EXPECT_TRUE(automation.m_bAutomation);
    EXPECT_FALSE(automation.m_bEmbedding);
    EXPECT_EQ(automation.m_shellCommand, Shell::none);
    EXPECT_EQ(automation.m_strDocument, "/home/anna/lied.kt");
}

TEST(CommandLineShellSwitches, SlashPathsAndTooManyArguments) {
    EXPECT_EQ(Parse({"/o", "x.kt"}).m_action, CCommandLine::Action::usageError);  // two paths
    EXPECT_EQ(Parse({"/tmp/a.kt"}).m_strDocument, "/tmp/a.kt");
    EXPECT_EQ(Parse({"/pt", "a.kt", "d", "t", "p", "zu-viel"}).m_action,
              CCommandLine::Action::usageError);
    // Printer fields only follow -pt.
    EXPECT_EQ(Parse({"-p", "a.kt", "Drucker"}).m_action, CCommandLine::Action::usageError);
    // Conversion still works beside the shell switches.
    CCommandLine convert = Parse({"/tmp/a.kt", "-o", "/tmp/b.kt"});
    EXPECT_EQ(convert.m_action, CCommandLine::Action::convert);
    EXPECT_EQ(convert.m_strOutput, "/tmp/b.kt");
}
