#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CScalePitch.h"
#include "CTakt.h"

namespace pugi {
class xml_node;
}

// Reads the measures of a MusicXML part one after the other: the first voice's notes, rests
// and gaps at their sounding pitch, the repeat and jump marks, and every reason a song cannot
// hold them. Divisions, time, key, transposition, the voice and an open tie carry over from
// one measure to the next. Other voices, cue notes and grace notes are left out.
class CMeasureReader {
public:
    static constexpr int32_t kBarEighths = CTakt::kCapacity;

    struct SEvent {
        int32_t nEighths = 0;
        int32_t nKey = -1;                     // sounding equal-tempered key; -1 for a rest
        std::optional<CScalePitch> restPitch;  // where a rest that names its height sits
        bool bTieStop = false;
        bool bTieStart = false;
        char cStep = 'C';  // the written pitch, for messages
        int8_t nAlter = 0;
        int8_t nOctave = 4;
        int8_t nTransposed = 0;  // the sounding pitch minus the written one, in semitones
    };

    // Repeat bar lines, volta endings and the jumps of <sound>.
    struct SMarks {
        bool bRepeatStart = false;
        int32_t nRepeatTimes = 0;  // played this often when it ends with a backward repeat
        uint32_t nEndings = 0;     // bit n: the measure starts or continues ending n
        bool bEndingStart = false;
        bool bEndingStop = false;
        bool bSegno = false;
        bool bCoda = false;
        bool bFine = false;
        bool bToCoda = false;
        bool bDaCapo = false;
        bool bDalSegno = false;
    };

    // A reason a song cannot hold the score, in measure nMeasure (counted from 1).
    struct SReason {
        size_t nMeasure = 0;
        std::string strText;
        bool operator==(const SReason&) const = default;
    };

    struct SMeasure {
        std::vector<SEvent> events;
        int32_t nEighths = 0;   // what the measure lasts
        double fNominal = 0.0;  // what its time signature says, in eighths
        bool bImplicit = false;
        SMarks marks;
    };

    // Reads one measure: its contents (the measure itself, or the part within a timewise
    // measure) and the measure element with its attributes. nMeasure counts from 1.
    SMeasure Read(const pugi::xml_node& contents, const pugi::xml_node& measure, size_t nMeasure);

    // The score breaks MusicXML's rules: nothing it says can be trusted.
    bool IsMalformed() const { return m_bMalformed; }
    // In the order they occur.
    const std::vector<SReason>& Reasons() const { return m_reasons; }
    // The time signatures other than 4/4 in the order they first occur: "3/4", "6/8".
    const std::vector<std::string>& OtherTimes() const { return m_otherTimes; }
    // The key the melody sounds in, as the first key signature and transposition give it.
    int32_t Fifths() const { return m_nFifths; }
    bool IsMinor() const { return m_bMinor; }
    bool LeftOutVoices() const { return m_bOtherVoice; }
    bool LeftOutGraceNotes() const { return m_bGrace; }

private:
    struct SCursor {
        double fPos = 0.0;   // where the next element starts, in quarters
        double fOurs = 0.0;  // where the first voice stands
        double fEnd = 0.0;   // the furthest any voice reached
        bool bBackedUp = false;
    };

    void ReadElement(const pugi::xml_node& element, SCursor& cursor, SMeasure& measure);
    void ReadAttributes(const pugi::xml_node& attributes);
    void ReadTime(const pugi::xml_node& time);
    void ReadKey(const pugi::xml_node& key);
    void ReadNote(const pugi::xml_node& note, SCursor& cursor, SMeasure& measure);
    void AddEvent(const pugi::xml_node& note, double fQuarters, SMeasure& measure);
    void ReadPitch(const pugi::xml_node& note, SEvent& event);
    void ReadBarline(const pugi::xml_node& barline, SMarks& marks);
    static void ReadSound(const pugi::xml_node& sound, SMarks& marks);
    std::optional<double> Quarters(const pugi::xml_node& element);
    std::optional<int32_t> Eighths(double fQuarters);
    void AddGap(const SCursor& cursor, double fUntil, SMeasure& measure);
    bool IsOurVoice(const pugi::xml_node& note, bool bBackedUp);
    void Refuse(const std::string& strReason);

    double m_fDivisions = 1.0;
    double m_fNominal = kBarEighths;
    int32_t m_nTranspose = 0;  // sounding minus written, in semitones
    int32_t m_nFifths = 0;
    bool m_bMinor = false;
    bool m_bKeySeen = false;
    std::optional<std::string> m_strVoice;
    bool m_bTieOpen = false;
    size_t m_nMeasure = 0;
    bool m_bMalformed = false;
    bool m_bOtherVoice = false;
    bool m_bGrace = false;
    std::vector<SReason> m_reasons;
    std::vector<std::string> m_otherTimes;
};
