#include "CTranscriber.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "CBarPhase.h"
#include "CBeatGrid.h"
#include "CBrokenOff.h"
#include "CController.h"
#include "CKeyFinder.h"
#include "CMelodyScore.h"
#include "CMusicXmlReader.h"
#include "CPitchClass.h"
#include "CPitchFrames.h"
#include "CRecording.h"
#include "CTransposition.h"

namespace {
// Quieter than this (dB below full scale) at its loudest, a recording is silence.
constexpr float kSilence = -60;
// Of the loud frames, at least this share must sound a pitch: noise and chords do not.
constexpr double kMinVoicedShare = 0.3;
// A recording begins on a grid line when one lies this close to its start (a share of the
// eighth): Kantilo's own renders, which begin on a bar line, are found within 0.06 of an eighth
// with every shipped instrument; a silence of a whole number of eighths and a fifth is found
// 0.17 off.
constexpr double kOnGridLine = 0.12;
// The grid of half the eighth wins when at least kLeastBetween and kBetweenShare of its notes
// change key halfway between the coarse lines (a sound heard well changes key there by mistake
// for up to about a tenth of its notes: a voice at 80 quarters, 2 of 19), and its lines catch
// onsets at most kFinerShareLoss worse (a choir's blurred onsets fall off the finer lines; a real
// half eighth keeps them).
constexpr size_t kLeastBetween = 2;
constexpr double kBetweenShare = 0.125;
constexpr double kFinerShareLoss = 0.15;
// An onset within this share of a coarse eighth of a line, and this much after the start of the
// note heard there, began a note whose key is heard to take over later: a choir's new note
// swells slowly under the old one, which the tracker keeps hearing for half an eighth at 80.
constexpr double kLedTakeOver = 0.25;
// Where each step of the work has brought it, in percent, for SOptions::progress: reading the
// file, then the pitch of every frame (the longest step), the grid, the notes, the score.
constexpr int kRead = 20;
constexpr int kFramesFound = 75;
constexpr int kGridFound = 80;
constexpr int kNotesFound = 95;
constexpr int kDone = 100;

// Width of keys (semitones) with the key at at moved by nBy.
int WidthWith(const std::vector<int>& keys, std::vector<int>::const_iterator at, int nBy) {
    int nLow = *at + nBy, nHigh = *at + nBy;
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        if (it != at) {
            nLow = std::min(nLow, *it);
            nHigh = std::max(nHigh, *it);
        }
    }
    return nHigh - nLow;
}

// Of the lowest note an octave up and the highest an octave down, the one that narrows the
// melody more; end() when neither does.
std::vector<int>::iterator FoldingNarrows(std::vector<int>& keys, std::vector<int>::iterator low,
                                          std::vector<int>::iterator high) {
    const int nWidth = *high - *low;
    const int nUp = WidthWith(keys, low, 12), nDown = WidthWith(keys, high, -12);
    if (std::min(nUp, nDown) >= nWidth) {
        return keys.end();
    }
    return nUp <= nDown ? low : high;
}

bool StartsOnGridLine(const CBeatGrid& grid) {
    const double fPhase = std::fmod(grid.Phase(), grid.Eighth());
    return std::min(fPhase, grid.Eighth() - fPhase) <= kOnGridLine * grid.Eighth();
}

// Whether a note began at the coarse line before fOff (in coarse eighths) after fSince: then the
// key heard to change at fOff only took that long to take over (a choir's slow crossfade).
bool BeganOnLineBefore(const CBeatGrid& coarse, double fOff, double fSince) {
    const double fLine = std::floor(fOff);
    return std::any_of(coarse.Onsets().begin(), coarse.Onsets().end(), [&](double t) {
        const double f = (t - coarse.Phase()) / coarse.Eighth();
        return std::abs(f - fLine) <= kLedTakeOver && f > fSince + kLedTakeOver;
    });
}

// Notes (of the finer grid) that take over from the note before with another key halfway
// between two of the coarse grid's lines. Not counted: a step of a semitone (a voice settling
// from a neighbouring key, or wavering between two) or of octaves (a key read an octave off),
// and a key taking over after a note began on the coarse line before.
size_t KeyChangesBetweenLines(const CBeatGrid& coarse, const CBeatGrid& fine,
                              const std::vector<CNoteDecoder::SNote>& notes) {
    const auto offOf = [&](int64_t nEighth) {
        return (fine.EighthStart(nEighth) - coarse.Phase()) / coarse.Eighth();
    };
    size_t nBetween = 0;
    for (size_t i = 1; i < notes.size(); ++i) {
        const double fOff = offOf(notes[i].nOnset);
        const bool bBetween = std::abs(fOff - std::floor(fOff) - 0.5) < 0.25;
        const bool bTakesOver = notes[i - 1].nOnset + notes[i - 1].nLength == notes[i].nOnset &&
                                CPitchClass::Distance(notes[i].nKey, notes[i - 1].nKey) > 1;
        nBetween +=
            bBetween && bTakesOver && !BeganOnLineBefore(coarse, fOff, offOf(notes[i - 1].nOnset))
                ? 1
                : 0;
    }
    return nBetween;
}

// The grid of half the eighth, with its notes, when the melody decoded on it changes key
// halfway between the coarse grid's lines often enough and its lines still catch about as many
// onsets: a bowed or whistled note taking over legato from the one before often leaves no onset
// sure enough to split the eighth, though its key is plainly heard. The coarse grid otherwise.
CBeatGrid FinerIfHeard(const CPitchFrames& frames, const CBeatGrid& coarse,
                       std::vector<CNoteDecoder::SNote>& notes) {
    if (!coarse.HasGrid() || 2 * coarse.Quarters() > CBeatGrid::kFastest) {
        return coarse;
    }
    const CBeatGrid fine = coarse.AtTempo(2 * coarse.Quarters());
    std::vector<CNoteDecoder::SNote> fineNotes = CNoteDecoder::Decode(frames, fine);
    const size_t nBetween = KeyChangesBetweenLines(coarse, fine, fineNotes);
    if (nBetween < kLeastBetween || double(nBetween) < kBetweenShare * double(fineNotes.size()) ||
        fine.Share() < coarse.Share() - kFinerShareLoss) {
        return coarse;
    }
    notes = std::move(fineNotes);
    return fine;
}

// Moves the notes into the scale of the major key with nFifths, counting those moved; their
// keys.
std::vector<int> IntoScale(std::vector<CNoteDecoder::SNote>& notes, int nFifths, size_t& nMoved) {
    std::vector<int> keys;
    for (CNoteDecoder::SNote& note : notes) {
        nMoved += CKeyFinder::InScale(note.nKey, nFifths) ? 0 : 1;
        note.nKey = CKeyFinder::IntoScale(note.nKey, nFifths);
        keys.push_back(note.nKey);
    }
    return keys;
}

std::string Quoted(const std::string& strName) {
    return "„" + strName + "“";
}

std::string Lowered(std::string strText) {
    // The notice starts a sentence of its own; after the tempo it continues one ("Die" only).
    if (strText.starts_with("Die ")) {
        strText[0] = 'd';
    }
    return strText;
}
}  // namespace

bool CTranscriber::SoundsMelody(const CPitchFrames& frames) {
    if (frames.PeakLevel() < kSilence) {
        return false;
    }
    size_t nLoud = 0, nVoiced = 0;
    for (size_t n = 0; n < frames.Frames().size(); ++n) {
        if (frames.Frames()[n].fLevel > frames.PeakLevel() - 20) {
            ++nLoud;
            nVoiced += frames.IsVoiced(n) ? 1 : 0;
        }
    }
    return nLoud > 0 && double(nVoiced) >= kMinVoicedShare * double(nLoud);
}

bool CTranscriber::GoesOn(const SOptions& options, int nPercent, SResult& result) {
    if (options.progress && !options.progress(nPercent)) {
        result = SResult();
        result.bCancelled = true;
    }
    return !result.bCancelled;
}

CTranscriber::SResult CTranscriber::Transcribe(const CRecording& recording, const SOptions& options,
                                               const std::string& strName) {
    SResult result;
    if (!GoesOn(options, kRead, result)) {
        return result;
    }
    CPitchFrames::FProgress framing;
    if (options.progress) {
        framing = [&options](double fShare) {
            return options.progress(kRead + int(fShare * (kFramesFound - kRead)));
        };
    }
    const CPitchFrames frames(recording, framing);
    if (frames.Cancelled()) {
        result.bCancelled = true;
        return result;
    }
    if (SoundsMelody(frames) && GoesOn(options, kFramesFound, result)) {
        const CBeatGrid coarse(frames, options.quarters);
        if (!GoesOn(options, kGridFound, result)) {
            return result;
        }
        result.notes = CNoteDecoder::Decode(frames, coarse);
        const CBeatGrid grid =
            options.quarters ? coarse : FinerIfHeard(frames, coarse, result.notes);
        CBrokenOff::HoldOver(result.notes, frames, grid);
        result.fQuarters = grid.HasGrid() ? grid.Quarters() : 0;
        result.nFirstInBar =
            CBarPhase::OfFirstNote(result.notes, grid.HasGrid() && StartsOnGridLine(grid));
    }
    if (result.bCancelled || !GoesOn(options, kNotesFound, result)) {
        return result;
    }
    if (result.notes.empty()) {
        result.strMessage = "In der Aufnahme " + Quoted(strName) +
                            " ist keine Melodie zu hören (nur Stille, Rauschen oder Akkorde).";
        return result;
    }
    Enter(result, options, strName);
    GoesOn(options, kDone, result);
    return result;
}

// Moves the notes into the key's scale, then into C and Kantilo's range, and says so in the
// notice begun with the tempo; false (with the message set) when no octave holds them. A melody
// that leaves out a degree of its scale holds as well in two keys whose C majors lie a fourth
// apart: where the likelier one cannot bring it into the range, the other may.
bool CTranscriber::MoveIntoC(SResult& result, std::vector<CNoteDecoder::SNote>& notes,
                             std::string& strNotice, const std::string& strName) {
    for (const int nFifths : CKeyFinder::EqualKeys(notes)) {
        std::vector<CNoteDecoder::SNote> moved = notes;
        size_t nMoved = 0, nFolded = 0;
        std::vector<int> keys = IntoScale(moved, nFifths, nMoved);
        const std::optional<int> shift = FoldIntoRange(moved, keys, nFifths, nFolded);
        if (!shift) {
            continue;
        }
        for (CNoteDecoder::SNote& note : moved) {
            note.nKey += *shift;
        }
        notes = std::move(moved);
        const std::string strShift = CTransposition::Notice(nFifths, false, *shift);
        if (!strShift.empty()) {
            strNotice += strNotice.empty() ? strShift : "; " + Lowered(strShift);
        }
        SayMoves(result, nFolded, nMoved);
        return true;
    }
    result.strMessage = "Die Melodie in " + Quoted(strName) +
                        " reicht weiter, als Kantilos Töne von C4 bis A5 reichen.";
    return false;
}

// The shift into C of the notes' keys (in keys too), where need be after folding single notes
// by an octave (counted in nFolded); none where no folding brings them into Kantilo's range.
std::optional<int> CTranscriber::FoldIntoRange(std::vector<CNoteDecoder::SNote>& notes,
                                               std::vector<int>& keys, int nFifths,
                                               size_t& nFolded) {
    std::optional<int> shift = CTransposition::IntoC(nFifths, keys);
    // A note heard an octave off (or a stray one) can make the melody too wide for Kantilo:
    // the lowest note goes an octave up or the highest one down, whichever narrows the
    // melody more, as long as that helps.
    while (!shift && nFolded < keys.size()) {
        const auto [low, high] = std::minmax_element(keys.begin(), keys.end());
        const auto fold = FoldingNarrows(keys, low, high);
        if (fold == keys.end()) {
            break;
        }
        *fold += fold == low ? 12 : -12;
        notes[size_t(fold - keys.begin())].nKey = *fold;
        ++nFolded;
        shift = CTransposition::IntoC(nFifths, keys);
    }
    return shift;
}

// The notices of notes folded by an octave and of notes moved into the scale.
void CTranscriber::SayMoves(SResult& result, size_t nFolded, size_t nMoved) {
    if (nFolded > 0) {
        result.notices.push_back(std::to_string(nFolded) +
                                 (nFolded == 1 ? " Ton wurde" : " Töne wurden") +
                                 " um eine Oktave zur Mitte der Melodie versetzt.");
    }
    if (nMoved > 0) {
        result.notices.push_back(std::to_string(nMoved) +
                                 (nMoved == 1 ? " Ton lag" : " Töne lagen") +
                                 " neben der Tonleiter und wurde" + (nMoved == 1 ? "" : "n") +
                                 " um einen Halbton tiefer gesetzt.");
    }
}

// Moves the notes into C and Kantilo's range, says so, and lets the importer enter them.
void CTranscriber::Enter(SResult& result, const SOptions& options, const std::string& strName) {
    std::vector<CNoteDecoder::SNote> notes = result.notes;
    std::string strNotice = options.quarters
                                ? std::string()
                                : "Tempo " + std::to_string(std::lround(result.fQuarters)) +
                                      " Schläge pro Minute erkannt";
    if (!options.bKeepKey && !MoveIntoC(result, notes, strNotice, strName)) {
        return;
    }
    if (!strNotice.empty()) {
        result.notices.insert(result.notices.begin(),
                              strNotice.ends_with('.') ? strNotice : strNotice + ".");
    }
    const std::string strScore = CMelodyScore::ToText(notes, result.nFirstInBar);
    CMusicXmlReader::SResult imported = CMusicXmlReader::Parse(std::span<const uint8_t>(
        reinterpret_cast<const uint8_t*>(strScore.data()), strScore.size()));
    result.pController = std::move(imported.pController);
    result.strMessage = std::move(imported.strMessage);
    result.notices.insert(result.notices.end(), imported.notices.begin(), imported.notices.end());
}

CTranscriber::SResult CTranscriber::TranscribeFile(const std::string& strPath,
                                                   const SOptions& options) {
    std::function<bool(double)> reading;
    if (options.progress) {
        reading = [&options](double fShare) { return options.progress(int(fShare * kRead)); };
    }
    const CRecording::SLoad load = CRecording::Load(strPath, reading);
    if (!load.pRecording) {
        SResult result;
        result.strMessage = load.strMessage;
        result.bCancelled = load.bCancelled;
        return result;
    }
    return Transcribe(*load.pRecording, options, strPath);
}
