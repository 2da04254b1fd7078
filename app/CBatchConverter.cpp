#include "CBatchConverter.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <ostream>

#include <unistd.h>

#include "CCommandLine.h"
#include "CController.h"
#include "CDocumentFile.h"
#include "CExitCode.h"
#include "CTerminalProgress.h"

bool CBatchConverter::HasExtension(const std::string& strPath, const std::string& strExtension) {
    if (strPath.size() <= strExtension.size()) {
        return false;
    }
    return std::equal(strExtension.begin(), strExtension.end(),
                      strPath.end() - static_cast<std::ptrdiff_t>(strExtension.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

int CBatchConverter::Run(const CCommandLine& cmd, std::ostream& err) {
    bool bDocument = HasExtension(cmd.m_strOutput, ".kt");
    bool bWave = HasExtension(cmd.m_strOutput, ".wav");
    if (!bDocument && !bWave) {
        err << "kantilo: die Ausgabedatei muss auf .kt oder .wav enden: " << cmd.m_strOutput
            << '\n';
        return CExitCode::kUsage;
    }
    std::unique_ptr<CController> pController;
    CFileResult loaded = CDocumentFile::Load(cmd.m_strDocument, pController);
    if (!loaded.Ok()) {
        err << loaded.message << '\n';
        return CExitCode::kFailure;
    }
    if (bWave) {
        return GenerateSong(cmd, *pController, err);
    }
    if (CFileResult saved = CDocumentFile::Save(cmd.m_strOutput, *pController); !saved.Ok()) {
        err << saved.message << '\n';
        return CExitCode::kFailure;
    }
    return CExitCode::kOk;
}

// The same run as the editor's generate command; the stages and bars are shown only when
// the messages go to a terminal.
int CBatchConverter::GenerateSong(const CCommandLine& cmd, CController& controller,
                                  std::ostream& err) {
    const bool bTerminal = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
    CTerminalProgress progress(err, bTerminal);
    controller.Generate(progress, cmd.m_strInstrument, cmd.m_strOutput, cmd.m_nQuality,
                        cmd.m_nBaseFrequency);
    progress.Finish();
    return progress.HasFailed() ? CExitCode::kFailure : CExitCode::kOk;
}
