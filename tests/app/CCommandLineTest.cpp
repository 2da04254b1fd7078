#include <gtest/gtest.h>

#include "CCommandLine.h"

using Args = std::vector<std::string>;
using Action = CCommandLine::Action;

TEST(CCommandLine, ActionsDocumentsShellSwitchesAndOptions) {
    using Shell = CCommandLine::ShellCommand;
    // "p" is case-sensitive: in upper case with "/" it is a path.
    const std::tuple<Args, Action, std::string, std::string, Shell> kCases[] = {
        {{"-o", "b.kt", "a.kt"}, Action::convert, "a.kt", "b.kt", Shell::none},
        {{"-p", "lied.kt"}, Action::editor, "lied.kt", "", Shell::print},
        {{"/P"}, Action::editor, "/P", "", Shell::none},
        {{"-automation", "/a/lied.kt"}, Action::editor, "/a/lied.kt", "", Shell::none},
        {{"--version", "--help"}, Action::help, "", "", Shell::none},
    };
    for (const auto& [args, action, strDocument, strOutput, shell] : kCases) {
        const CCommandLine cmd = CCommandLine::Parse(args);
        EXPECT_EQ(std::tuple(cmd.m_action, cmd.m_strDocument, cmd.m_strOutput, cmd.m_shellCommand),
                  std::tuple(action, strDocument, strOutput, shell));
    }
    const CCommandLine cmd = CCommandLine::Parse(Args{
        "--instrument", "/i/g.wav", "a.kt", "--base=263", "--quality", "50", "--output=x.wav"});
    EXPECT_EQ(
        std::tuple(cmd.m_strInstrument, cmd.m_nBaseFrequency, cmd.m_nQuality, cmd.m_strOutput),
        std::tuple(std::string("/i/g.wav"), 263, 50, "x.wav"));
}

TEST(CCommandLine, BadUsageSaysWhatIsWrong) {
    // "/o x.kt" names two paths; printer fields only follow -pt.
    const std::string kTwoPaths = "Es kann nur eine Dokumentdatei angegeben werden.";
    const std::pair<Args, std::string> kCases[] = {
        {{"-o"}, "-o erwartet einen Wert."},
        {{"a.kt", "-o", ""}, "-o verlangt einen Dateinamen."},
        {{"a.kt", "-o", "b.kt", "-o", "c.kt"}, "-o darf nur einmal angegeben werden."},
        {{"--help=yes"}, "--help erwartet keinen Wert."},
        {{"a.kt", "--quality", "10"},
         "--instrument, --base und --quality gelten nur zusammen mit -o oder --play."},
        {{"-o", "x.kt"}, "-o verlangt eine Dokumentdatei, die umgewandelt wird."},
        {{"/o", "x.kt"}, kTwoPaths},
        {{"/pt", "a.kt", "d", "t", "p", "zu-viel"}, kTwoPaths},
        {{"-p", "a.kt", "Drucker"}, kTwoPaths},
        {{"a.kt", "-o", "x.wav", "--base", "440Hz"},
         "--base: erlaubt ist eine positive ganze Zahl (Hz)."},
        {{"a.kt", "-o", "x.wav", "--quality", "4"},
         "--quality: erlaubt ist eine ganze Zahl von 5 bis 50."},
        {{"a.kt", "-o", "x.wav", "--instrument", ""},
         "--instrument verlangt einen Pfad oder \"Standard\"."},
        {{"a.kt", "--play", "-o", "x.wav"}, "--play und -o schließen einander aus."},
        {{"--play", "--quality", "20"}, "--play verlangt eine Dokumentdatei, die gespielt wird."},
        // A recording's tempo and key are options of a conversion, with their ranges.
        {{"a.wav", "-o", "b.kt", "--tempo", "301"},
         "--tempo: erlaubt ist eine ganze Zahl von 40 bis 300 (Viertel pro Minute)."},
        {{"a.wav", "-o", "b.kt", "--key", "c"}, "--key: erlaubt ist \"auto\" oder \"C\"."},
        {{"a.wav", "--tempo", "96"}, "--tempo und --key gelten nur zusammen mit -o."},
    };
    for (const auto& [args, strError] : kCases) {
        const CCommandLine cmd = CCommandLine::Parse(args);
        EXPECT_EQ(std::tuple(cmd.m_action, cmd.m_strError),
                  std::tuple(Action::usageError, strError));
    }
}
