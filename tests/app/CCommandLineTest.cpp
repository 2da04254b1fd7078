#include <gtest/gtest.h>

#include <sstream>

#include "CCommandLine.h"

namespace {
using Action = CCommandLine::Action;
using Shell = CCommandLine::ShellCommand;

CCommandLine P(std::vector<std::string> args) {
    return CCommandLine::Parse(args);
}

std::string Joined(const std::vector<std::string>& args) {
    std::string strArgs;
    for (const auto& a : args) {
        strArgs += a + " ";
    }
    return strArgs;
}
}  // namespace

TEST(CCommandLine, ActionsDocumentsAndShellSwitches) {
    const struct {
        std::vector<std::string> args;
        Action action;
        std::string strDocument, strOutput;
        Shell shell = Shell::none;
    } kCases[] = {
        {{}, Action::editor, "", ""},
        {{"lied.kt"}, Action::editor, "lied.kt", ""},
        {{"-"}, Action::editor, "-", ""},
        {{"-o", "b.kt", "a.kt"}, Action::convert, "a.kt", "b.kt"},
        {{"/tmp/a.kt", "-o", "/tmp/b.kt"}, Action::convert, "/tmp/a.kt", "/tmp/b.kt"},
        // "p", "pt" and "dde" are case-sensitive: in upper case with "/" they are paths.
        {{"-p", "lied.kt"}, Action::editor, "lied.kt", "", Shell::print},
        {{"/dde"}, Action::editor, "", "", Shell::dde},
        {{"/P"}, Action::editor, "/P", ""},
        {{"/DDE"}, Action::editor, "/DDE", ""},
        {{"-Unregister"}, Action::editor, "", "", Shell::unregister},
        {{"/UNREGSERVER"}, Action::editor, "", "", Shell::unregister},
        {{"-automation", "/home/anna/lied.kt"}, Action::editor, "/home/anna/lied.kt", ""},
    };
    for (const auto& c : kCases) {
        const CCommandLine cmd = P(c.args);
        EXPECT_EQ(cmd.m_action, c.action) << Joined(c.args);
        EXPECT_EQ(cmd.m_strDocument, c.strDocument) << Joined(c.args);
        EXPECT_EQ(cmd.m_strOutput, c.strOutput) << Joined(c.args);
        EXPECT_EQ(cmd.m_shellCommand, c.shell) << Joined(c.args);
    }
    EXPECT_TRUE(P({"-automation", "a.kt"}).m_bAutomation);
    EXPECT_FALSE(P({"-automation", "a.kt"}).m_bEmbedding);
    EXPECT_TRUE(P({"/unregister", "-EMBEDDING"}).m_bEmbedding);
    const CCommandLine printTo = P({"/pt", "lied.kt", "Drucker", "Treiber", "LPT1"});
    EXPECT_EQ(printTo.m_shellCommand, Shell::printTo);
    EXPECT_EQ(
        printTo.m_strDocument + printTo.m_strPrinter + printTo.m_strDriver + printTo.m_strPort,
        "lied.ktDruckerTreiberLPT1");
    const char* argv[] = {"kantilo", "lied.kt", "-o", "neu.kt"};
    EXPECT_EQ(CCommandLine::Parse(4, argv).m_strDocument, "lied.kt");  // argv[0] is skipped
}

TEST(CCommandLine, SamplerOptionsHelpAndVersion) {
    CCommandLine cmd = P({"a.kt", "-o", "b.wav"});
    EXPECT_EQ(cmd.m_strInstrument, "Standard");
    EXPECT_EQ(cmd.m_nBaseFrequency, 264);
    EXPECT_EQ(cmd.m_nQuality, 10);
    cmd = P({"--instrument", "/i/geige.wav", "a.kt", "--base=440", "--quality", "50",
             "--output=x.wav"});
    EXPECT_EQ(cmd.m_action, Action::convert);
    EXPECT_EQ(cmd.m_strInstrument, "/i/geige.wav");
    EXPECT_EQ(cmd.m_nBaseFrequency, 440);
    EXPECT_EQ(cmd.m_nQuality, 50);
    EXPECT_EQ(cmd.m_strOutput, "x.wav");
    EXPECT_EQ(P({"a.kt", "-o", "x.wav", "--quality", "5", "--base", "149"}).m_nQuality, 5);
    // Recordings at pitches the dialog does not offer are fine here.
    EXPECT_EQ(P({"a.kt", "-o", "x.wav", "--base", "263"}).m_nBaseFrequency, 263);

    EXPECT_EQ(P({"--help"}).m_action, Action::help);
    EXPECT_EQ(P({"-h", "a.kt"}).m_action, Action::help);
    EXPECT_EQ(P({"--version"}).m_action, Action::version);
    EXPECT_EQ(P({"--version", "--help"}).m_action, Action::help);
    EXPECT_EQ(CCommandLine::Version(), "Kantilo 1.0");
    EXPECT_NE(CCommandLine::Usage().find("--instrument"), std::string::npos);
}

TEST(CCommandLine, BadUsage) {
    // Argument lists split at "|", arguments at spaces; '' is an empty one. "/o x.kt" names
    // two paths; printer fields only follow -pt.
    std::istringstream lists(
        "a.kt b.kt | -o | a.kt -o | -o b.kt | a.kt -o '' | a.kt -o b.kt -o c.kt | --frobnicate | "
        "-x a.kt | --help=yes | a.kt --quality 10 | --instrument Standard | -PT lied.kt | "
        "/o x.kt | /pt a.kt d t p zu-viel | -p a.kt Drucker | a.kt -o x.wav --base 0 | "
        "a.kt -o x.wav --base -264 | a.kt -o x.wav --base 440Hz | a.kt -o x.wav --base '' | "
        "a.kt -o x.wav --quality 4 | a.kt -o x.wav --quality 51 | a.kt -o x.wav --quality | "
        "a.kt -o x.wav --quality 99999999999 | a.kt -o x.wav --instrument ''");
    int nLists = 0;
    for (std::string strArgs; std::getline(lists, strArgs, '|'); ++nLists) {
        std::vector<std::string> args;
        std::istringstream words(strArgs);
        for (std::string strWord; words >> strWord;) {
            args.push_back(strWord == "''" ? "" : strWord);
        }
        CCommandLine cmd = P(args);
        EXPECT_EQ(cmd.m_action, Action::usageError) << strArgs;
        EXPECT_FALSE(cmd.m_strError.empty()) << strArgs;
    }
    EXPECT_EQ(nLists, 24);
}
