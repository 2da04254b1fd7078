#include <gtest/gtest.h>

#include "CCommandLine.h"

namespace {
using Action = CCommandLine::Action;

CCommandLine P(std::vector<std::string> args) {
    return CCommandLine::Parse(args);
}
}  // namespace

TEST(CCommandLine, NothingOrADocumentOpensTheEditor) {
    EXPECT_EQ(P({}).m_action, Action::editor);
    CCommandLine cmd = P({"lied.kt"});
    EXPECT_EQ(cmd.m_action, Action::editor);
    EXPECT_EQ(cmd.m_strDocument, "lied.kt");
    EXPECT_EQ(P({"-"}).m_strDocument, "-");
}

TEST(CCommandLine, ConversionWithDefaults) {
    CCommandLine cmd = P({"a.kt", "-o", "b.kt"});
    EXPECT_EQ(cmd.m_action, Action::convert);
    EXPECT_EQ(cmd.m_strDocument, "a.kt");
    EXPECT_EQ(cmd.m_strOutput, "b.kt");
    EXPECT_EQ(cmd.m_strInstrument, "Standard");
    EXPECT_EQ(cmd.m_nBaseFrequency, 264);
    EXPECT_EQ(cmd.m_nQuality, 10);
    EXPECT_EQ(P({"-o", "b.kt", "a.kt"}).m_strDocument, "a.kt");
}

TEST(CCommandLine, SamplerOptionsInBothSpellings) {
    CCommandLine cmd = P({"--instrument", "/i/geige.wav", "a.kt", "--base=440", "--quality", "50",
                          "--output=x.wav"});
    EXPECT_EQ(cmd.m_action, Action::convert);
    EXPECT_EQ(cmd.m_strInstrument, "/i/geige.wav");
    EXPECT_EQ(cmd.m_nBaseFrequency, 440);
    EXPECT_EQ(cmd.m_nQuality, 50);
    EXPECT_EQ(cmd.m_strOutput, "x.wav");
    EXPECT_EQ(P({"a.kt", "-o", "x.wav", "--quality", "5", "--base", "149"}).m_nQuality, 5);
    // Recordings at pitches the dialog does not offer are fine from the command line.
    EXPECT_EQ(P({"a.kt", "-o", "x.wav", "--base", "263"}).m_nBaseFrequency, 263);
}

TEST(CCommandLine, HelpAndVersion) {
    EXPECT_EQ(P({"--help"}).m_action, Action::help);
    EXPECT_EQ(P({"-h", "a.kt"}).m_action, Action::help);
    EXPECT_EQ(P({"--version"}).m_action, Action::version);
    EXPECT_EQ(P({"--version", "--help"}).m_action, Action::help);
    EXPECT_EQ(CCommandLine::Version(), "Kantilo 1.0");
    EXPECT_NE(CCommandLine::Usage().find("--instrument"), std::string::npos);
}

TEST(CCommandLine, BadUsage) {
    const std::vector<std::vector<std::string>> kBad = {
        {"a.kt", "b.kt"},
        {"-o"},
        {"a.kt", "-o"},
        {"-o", "b.kt"},
        {"a.kt", "-o", ""},
        {"a.kt", "-o", "b.kt", "-o", "c.kt"},
        {"--frobnicate"},
        {"-x", "a.kt"},
        {"a.kt", "-o", "x.wav", "--base", "0"},
        {"a.kt", "-o", "x.wav", "--base", "-264"},
        {"a.kt", "-o", "x.wav", "--base", "440Hz"},
        {"a.kt", "-o", "x.wav", "--base", ""},
        {"a.kt", "-o", "x.wav", "--quality", "4"},
        {"a.kt", "-o", "x.wav", "--quality", "51"},
        {"a.kt", "-o", "x.wav", "--quality", "99999999999"},
        {"a.kt", "-o", "x.wav", "--instrument", ""},
        {"a.kt", "-o", "x.wav", "--quality"},
        {"--help=yes"},
        {"a.kt", "--quality", "10"},
        {"--instrument", "Standard"},
    };
    for (const auto& args : kBad) {
        CCommandLine cmd = P(args);
        std::string strArgs;
        for (const auto& a : args) {
            strArgs += a + " ";
        }
        EXPECT_EQ(cmd.m_action, Action::usageError) << strArgs;
        EXPECT_FALSE(cmd.m_strError.empty()) << strArgs;
    }
}

TEST(CCommandLine, ArgvSkipsTheProgramName) {
    const char* argv[] = {"kantilo", "lied.kt", "-o", "neu.kt"};
    CCommandLine cmd = CCommandLine::Parse(4, argv);
    EXPECT_EQ(cmd.m_action, Action::convert);
    EXPECT_EQ(cmd.m_strDocument, "lied.kt");
}
