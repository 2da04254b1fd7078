#include "CBatchConverter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <ostream>

#include <signal.h>
#include <unistd.h>

#include "CCommandLine.h"
#include "CController.h"
#include "CDocumentFile.h"
#include "CEngineFailure.h"
#include "CExchangeFormat.h"
#include "CExitCode.h"
#include "CMusicXmlReader.h"
#include "CRecording.h"
#include "CReplacingFile.h"
#include "CShippedInstruments.h"
#include "CTerminalProgress.h"

namespace {
extern "C" void EndAtOnce(int nSignal) {
    CReplacingFile::RemovePendingFiles();
    _exit(128 + nSignal);
}

// std::terminate's handler: an exception no one caught, or one that met code that cannot pass
// it on (Qt's libraries are built without exceptions).
void EndUncaught() {
    if (const std::exception_ptr pException = std::current_exception()) {
        try {
            std::rethrow_exception(pException);
        } catch (const std::bad_alloc&) {
            CReplacingFile::RemovePendingFiles();
            std::fputs(CEngineFailure::kNoMemory, stderr);
            std::fputc('\n', stderr);
            _exit(CExitCode::kFailure);
        } catch (...) {
        }
    }
    std::abort();
}
}  // namespace

void CBatchConverter::EndOnOutOfMemory() {
    std::set_terminate(&EndUncaught);
}

void CBatchConverter::EndOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = &EndAtOnce;
    sigemptyset(&action.sa_mask);
    for (int nSignal : {SIGINT, SIGTERM}) {
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        struct sigaction previous {};
        if (sigaction(nSignal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            sigaction(nSignal, &action, nullptr);
        }
    }
}

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

CTranscriber::SOptions CBatchConverter::TranscriptionOptions(const CCommandLine& cmd) {
    CTranscriber::SOptions options;
    if (cmd.m_nTempo > 0) {
        options.quarters = cmd.m_nTempo;
    }
    options.bKeepKey = cmd.m_bKeepKey;
    return options;
}

std::unique_ptr<CController> CBatchConverter::LoadSong(const std::string& strPath,
                                                       std::ostream& err, std::string& strTitle,
                                                       const CTranscriber::SOptions& options) {
    strTitle = CExchangeFormat::TitleFromPath(strPath);
    // A recording is told by its content; a file named like one is refused as one (an empty
    // "song.wav" is an empty recording, not an empty document).
    if (CRecording::IsRecordingFile(strPath) || HasExtension(strPath, ".wav") ||
        HasExtension(strPath, ".flac") || HasExtension(strPath, ".ogg")) {
        CTranscriber::SResult transcribed = CTranscriber::TranscribeFile(strPath, options);
        for (const std::string& strNotice : transcribed.notices) {
            err << strNotice << '\n';
        }
        if (!transcribed.pController) {
            err << transcribed.strMessage << '\n';
        }
        return std::move(transcribed.pController);
    }
    if (CExchangeFormat::IsScore(CExchangeFormat::FromPath(strPath))) {
        CMusicXmlReader::SResult imported = CMusicXmlReader::Load(strPath);
        if (!imported.pController) {
            err << imported.strMessage << '\n';
        }
        // What the import changed is told, and the conversion still succeeds.
        for (const std::string& strNotice : imported.notices) {
            err << strNotice << '\n';
        }
        if (!imported.strTitle.empty()) {
            strTitle = imported.strTitle;
        }
        return std::move(imported.pController);
    }
    std::unique_ptr<CController> pController;
    if (const CFileResult loaded = CDocumentFile::Load(strPath, pController); !loaded.Ok()) {
        err << loaded.message << '\n';
        return nullptr;
    }
    return pController;
}

int CBatchConverter::Run(const CCommandLine& cmd, std::ostream& err) {
    bool bDocument = HasExtension(cmd.m_strOutput, ".kt");
    bool bWave = HasExtension(cmd.m_strOutput, ".wav");
    const CExchangeFormat::Kind exchange = CExchangeFormat::FromPath(cmd.m_strOutput);
    const bool bExchange =
        exchange == CExchangeFormat::Kind::musicXml || exchange == CExchangeFormat::Kind::midi;
    if (!bDocument && !bWave && !bExchange) {
        err << "kantilo: die Ausgabedatei muss auf .kt, .wav, .musicxml, .xml, .mid, .midi, .pdf, "
               ".svg oder .png enden: "
            << cmd.m_strOutput << '\n';
        return CExitCode::kUsage;
    }
    std::string strTitle;
    std::unique_ptr<CController> pController =
        LoadSong(cmd.m_strDocument, err, strTitle, TranscriptionOptions(cmd));
    if (!pController) {
        return CExitCode::kFailure;
    }
    if (bWave) {
        return GenerateSong(cmd, *pController, err);
    }
    const CFileResult saved =
        bExchange ? CExchangeFormat::Write(exchange, pController->GetSheet(), strTitle,
                                           cmd.m_strOutput)
                  : CDocumentFile::Save(cmd.m_strOutput, *pController);
    if (!saved.Ok()) {
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
    controller.Generate(progress, CShippedInstruments::Resolve(cmd.m_strInstrument),
                        cmd.m_strOutput, cmd.m_nQuality, cmd.m_nBaseFrequency);
    progress.Finish();
    return progress.HasFailed() ? CExitCode::kFailure : CExitCode::kOk;
}
