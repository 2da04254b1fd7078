#include <iostream>

#include "CBatchConverter.h"
#include "CCommandLine.h"

#ifdef KANTILO_WITH_GUI
#include "CKantiloApp.h"
#include "CSamplerCommands.h"

static int RunEditor(int argc, char** argv, const CCommandLine& cmd) {
    CSamplerCommands::Install();
    return CKantiloApp::Run(argc, argv, cmd);
}
#else
static int RunEditor(int, char**, const CCommandLine&) {
    std::cerr << "kantilo: diese Fassung enthält keinen Editor; zum Umwandeln dient -o.\n"
              << "Mehr mit: kantilo --help\n";
    return CCommandLine::kUsageExitCode;
}
#endif

int main(int argc, char** argv) {
    CCommandLine cmd = CCommandLine::Parse(argc, argv);
    switch (cmd.m_action) {
        case CCommandLine::Action::usageError:
            std::cerr << "kantilo: " << cmd.m_strError << "\nMehr mit: kantilo --help\n";
            return CCommandLine::kUsageExitCode;
        case CCommandLine::Action::help:
            std::cout << CCommandLine::Usage();
            return 0;
        case CCommandLine::Action::version:
            std::cout << CCommandLine::Version() << '\n';
            return 0;
        case CCommandLine::Action::convert:
            CBatchConverter::EndOnInterrupt();
            return CBatchConverter::Run(cmd, std::cerr);
        case CCommandLine::Action::editor:
            break;
    }
    return RunEditor(argc, argv, cmd);
}
