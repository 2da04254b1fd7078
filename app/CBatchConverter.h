#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "CTranscriber.h"

class CCommandLine;
class CController;

// Carries out "-o": reads the document and writes it in the form the output's extension
// names, without any window. Messages go to err, in the program's German words; the result is
// a CExitCode.
class CBatchConverter {
public:
    // Pages and pictures are drawn by the editor's painter; a build without it says this.
    static constexpr const char* kNoPages =
        "kantilo: diese Fassung enthält keinen Editor und schreibt daher weder PDF noch SVG "
        "noch PNG.";

    static int Run(const CCommandLine& cmd, std::ostream& err);
    // From now on SIGINT and SIGTERM, unless ignored, end the process at once with 128 + the
    // signal's number; a file being written is left out, the file it would have replaced
    // stays as it was.
    static void EndOnInterrupt();
    // From now on memory running out where nothing catches it (inside Qt's painting, say) ends
    // the process with "Zu wenig Speicher vorhanden!" and 1 instead of an abort; a file being
    // written is left out, as for an interrupt.
    static void EndOnOutOfMemory();
    // True when strPath ends in strExtension (".wav", say), in any case.
    static bool HasExtension(const std::string& strPath, const std::string& strExtension);
    // The document, the score a MusicXML file holds, or the melody of a recording (told by
    // its content; the notices go to err); nothing when it cannot be read (the reason went to
    // err). strTitle gets the song's title: an imported score's own, else the file's name
    // without its extension, as the editor names it.
    static std::unique_ptr<CController> LoadSong(const std::string& strPath, std::ostream& err,
                                                 std::string& strTitle,
                                                 const CTranscriber::SOptions& options = {});
    // What --tempo and --key ask of a transcription.
    static CTranscriber::SOptions TranscriptionOptions(const CCommandLine& cmd);

private:
    static int GenerateSong(const CCommandLine& cmd, CController& controller, std::ostream& err);
};
