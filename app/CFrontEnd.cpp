#include "CFrontEnd.h"

#include <csignal>
#include <iostream>

#include "CBatchConverter.h"
#include "CCommandLine.h"
#include "CExchangeFormat.h"
#include "CExitCode.h"

bool CFrontEnd::WantsPages(const CCommandLine& cmd) {
    if (cmd.m_action != CCommandLine::Action::convert) {
        return false;
    }
    return CExchangeFormat::IsPage(CExchangeFormat::FromPath(cmd.m_strOutput));
}

std::optional<int> CFrontEnd::Run(const CCommandLine& cmd) {
    // Beyond a file-size limit (ulimit -f) a write then fails with EFBIG, which is reported as a
    // full disk and leaves the old file, instead of the kernel ending the program unannounced.
    std::signal(SIGXFSZ, SIG_IGN);
    CBatchConverter::EndOnOutOfMemory();
    switch (cmd.m_action) {
        case CCommandLine::Action::usageError:
            std::cerr << "kantilo: " << cmd.m_strError << "\nMehr mit: kantilo --help\n";
            return CExitCode::kUsage;
        case CCommandLine::Action::help:
            std::cout << CCommandLine::Usage();
            return CExitCode::kOk;
        case CCommandLine::Action::version:
            std::cout << CCommandLine::Version() << '\n';
            return CExitCode::kOk;
        case CCommandLine::Action::convert:
            CBatchConverter::EndOnInterrupt();
            if (WantsPages(cmd)) {
                return std::nullopt;
            }
            return CBatchConverter::Run(cmd, std::cerr);
        case CCommandLine::Action::editor:
            break;
    }
    return std::nullopt;
}
