#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CNoteDecoder.h"

class CController;
class CRecording;

// Writes down the melody of a recording as Kantilo notes: the pitch of every frame, the grid
// of eighths, the notes on it, the key; then the melody is moved into C major and Kantilo's
// range with the one shift the MusicXML import uses, and entered by the importer.
class CTranscriber {
public:
    // The tempi a user may give (quarters per minute): far beyond those looked for, since a
    // melody may as well be read at half or twice the tempo it was played at.
    static constexpr int kLeastGivenTempo = 40;
    static constexpr int kMostGivenTempo = 300;

    struct SOptions {
        std::optional<double> quarters;  // the tempo, quarters per minute; found when unset
        bool bKeepKey = false;           // take the melody as it is, in C major
        // Told how far the work is, in percent, between its steps (and while a file is read),
        // from any thread the work runs on; returning false cancels the work.
        std::function<bool(int nPercent)> progress;
    };
    struct SResult {
        std::unique_ptr<CController> pController;  // set exactly when a melody was found
        std::vector<std::string> notices;          // German, one sentence each
        std::string strMessage;                    // German, when no melody was found
        std::vector<CNoteDecoder::SNote> notes;    // as heard, before any shift
        double fQuarters = 0;                      // the tempo the grid has
        int64_t nFirstInBar = 0;                   // eighths of its bar before the first note
        bool bCancelled = false;                   // by the progress callback; nothing else set
    };

    // The recording's name is used in messages only.
    static SResult Transcribe(const CRecording& recording, const SOptions& options,
                              const std::string& strName);
    // Reads the file first; its refusal is the message.
    static SResult TranscribeFile(const std::string& strPath, const SOptions& options);

private:
    static bool SoundsMelody(const class CPitchFrames& frames);
    // Reports nPercent; false (and result emptied, marked cancelled) when the work stops.
    static bool GoesOn(const SOptions& options, int nPercent, SResult& result);
    static void Enter(SResult& result, const SOptions& options, const std::string& strName);
    static bool MoveIntoC(SResult& result, std::vector<CNoteDecoder::SNote>& notes,
                          std::string& strNotice, const std::string& strName);
    static std::optional<int> FoldIntoRange(std::vector<CNoteDecoder::SNote>& notes,
                                            std::vector<int>& keys, int nFifths, size_t& nFolded);
    static void SayMoves(SResult& result, size_t nFolded, size_t nMoved);
};
