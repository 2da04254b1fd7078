#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CInstrument.h"
#include "CSamplerDefaults.h"

// What the program was asked to do on its command line.
class CCommandLine {
public:
    enum class Action {
        editor,      // open the editor, with m_strDocument if one is given
        convert,     // -o: convert m_strDocument into m_strOutput without a window
        play,        // --play: play m_strDocument on the default audio output, no window
        help,        // print Usage()
        version,     // print Version()
        usageError,  // m_strError says what is wrong
    };

    // argv[0] is the program and is skipped.
    static CCommandLine Parse(int argc, const char* const* argv);
    static CCommandLine Parse(const std::vector<std::string>& args);

    static std::string Usage();
    static std::string Version();
    static std::string ShippedInstrumentList();

    Action m_action = Action::editor;
    std::string m_strDocument;
    std::string m_strOutput;
    std::string m_strInstrument = CInstrument::kStandardName;
    int32_t m_nBaseFrequency = CInstrument::kStandardBase;
    int32_t m_nQuality = CSamplerDefaults::kDefaultQuality;
    bool m_bSamplerOption = false;  // --instrument, --base or --quality was given
    bool m_bPlay = false;           // --play was given
    // For a recording: the tempo in quarters per minute (0: found in the recording), and
    // whether its melody stays in its key (--key C) instead of being moved into C.
    int32_t m_nTempo = 0;
    bool m_bKeepKey = false;
    bool m_bTranscriptionOption = false;  // --tempo or --key was given
    std::string m_strError;

    // Shell switches of the editor, written with "-" or "/": -p and -pt open the document and
    // end (nothing is printed), -dde, -Embedding and -Automation change nothing, -Unregister
    // (-Unregserver) removes the program's settings and ends. "p", "pt" and "dde" are
    // case-sensitive, the others not; any other argument beginning with "/" is a path.
    enum class ShellCommand { none, print, printTo, dde, unregister };
    ShellCommand m_shellCommand = ShellCommand::none;
    bool m_bEmbedding = false;
    bool m_bAutomation = false;
    std::string m_strPrinter;  // -pt DOKUMENT DRUCKER TREIBER ANSCHLUSS
    std::string m_strDriver;
    std::string m_strPort;

private:
    bool ParseArgument(const std::vector<std::string>& args, size_t& i);
    bool ParseShellSwitch(const std::string& strArg);
    bool ParsePath(const std::string& strArg);
    void Finish();
};
