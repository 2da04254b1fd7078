#include "CMeasureReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include <pugixml.hpp>

namespace {

// Far beyond any score's divisions or durations, and small enough that no product overflows.
constexpr double kMaxNumber = double(int64_t{1} << 40);
// The longest note or gap a song takes in one piece: eight bars.
constexpr int32_t kMaxEighths = 8 * CMeasureReader::kBarEighths;
// Where a duration may lie off whole eighths because a program rounded its decimals.
constexpr double kTolerance = 1e-6;
constexpr int32_t kOctave = 12;
constexpr int32_t kFifth = 7;
constexpr uint32_t kMaxEnding = 31;

std::string_view Trimmed(const pugi::xml_node& node) {
    std::string_view text = node.text().get();
    const size_t nFirst = text.find_first_not_of(" \t\r\n");
    if (nFirst == std::string_view::npos) {
        return {};
    }
    return text.substr(nFirst, text.find_last_not_of(" \t\r\n") - nFirst + 1);
}

template <typename T>
std::optional<T> Number(std::string_view text) {
    T value{};
    const auto [pEnd, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || pEnd != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

template <typename T>
std::optional<T> Number(const pugi::xml_node& node) {
    return Number<T>(Trimmed(node));
}

bool HasTie(const pugi::xml_node& note, const char* pszType) {
    for (const pugi::xml_node tie : note.children("tie")) {
        if (std::string_view(tie.attribute("type").as_string()) == pszType) {
            return true;
        }
    }
    for (const pugi::xml_node notations : note.children("notations")) {
        for (const pugi::xml_node tied : notations.children("tied")) {
            if (std::string_view(tied.attribute("type").as_string()) == pszType) {
                return true;
            }
        }
    }
    return false;
}

// Semitones of the step above C.
int32_t StepSemitones(char cStep) {
    constexpr std::string_view kSteps = "C D EF G A B";
    return static_cast<int32_t>(kSteps.find(cStep));
}

// "1", "1, 2", "1.2." as a set of ending numbers.
uint32_t EndingNumbers(std::string_view text) {
    uint32_t nSet = 0;
    uint32_t nNumber = 0;
    for (size_t n = 0; n <= text.size(); ++n) {
        const char c = n < text.size() ? text[n] : ',';
        if (c >= '0' && c <= '9') {
            nNumber = std::min(nNumber * 10 + static_cast<uint32_t>(c - '0'), kMaxEnding + 1);
        } else if (nNumber > 0) {
            nSet |= nNumber <= kMaxEnding ? 1u << nNumber : 0;
            nNumber = 0;
        }
    }
    return nSet;
}

}  // namespace

void CMeasureReader::Refuse(const std::string& strReason) {
    SReason reason{m_nMeasure, strReason};
    // Sixteen sixteenths in a measure are one reason, not sixteen.
    if (m_reasons.empty() || m_reasons.back() != reason) {
        m_reasons.push_back(std::move(reason));
    }
}

CMeasureReader::SMeasure CMeasureReader::Read(const pugi::xml_node& contents,
                                              const pugi::xml_node& measure, size_t nMeasure) {
    m_nMeasure = nMeasure;
    SMeasure result;
    result.bImplicit = measure.attribute("implicit").as_string() == std::string_view("yes");
    SCursor cursor;
    for (const pugi::xml_node element : contents.children()) {
        ReadElement(element, cursor, result);
        if (m_bMalformed) {
            return result;
        }
    }
    // A first voice that stops early rests until the measure ends.
    AddGap(cursor, cursor.fEnd, result);
    for (const SEvent& event : result.events) {
        result.nEighths += event.nEighths;
    }
    result.fNominal = m_fNominal;
    return result;
}

void CMeasureReader::ReadElement(const pugi::xml_node& element, SCursor& cursor,
                                 SMeasure& measure) {
    const std::string_view name = element.name();
    if (name == "attributes") {
        ReadAttributes(element);
    } else if (name == "note") {
        ReadNote(element, cursor, measure);
    } else if (name == "backup" || name == "forward") {
        const std::optional<double> fQuarters = Quarters(element);
        if (fQuarters) {
            cursor.fPos =
                std::max(0.0, cursor.fPos + (name == "backup" ? -*fQuarters : *fQuarters));
            cursor.bBackedUp = cursor.bBackedUp || name == "backup";
        }
    } else if (name == "barline") {
        ReadBarline(element, measure.marks);
    } else if (name == "sound") {
        ReadSound(element, measure.marks);
    } else if (name == "direction") {
        for (const pugi::xml_node sound : element.children("sound")) {
            ReadSound(sound, measure.marks);
        }
    }
    cursor.fEnd = std::max(cursor.fEnd, cursor.fPos);
}

void CMeasureReader::ReadAttributes(const pugi::xml_node& attributes) {
    if (const pugi::xml_node divisions = attributes.child("divisions")) {
        const std::optional<double> fDivisions = Number<double>(divisions);
        if (!fDivisions || !(*fDivisions > 0.0) || *fDivisions > kMaxNumber) {
            m_bMalformed = true;
            return;
        }
        m_fDivisions = *fDivisions;
    }
    const bool bFirstKey = !m_bKeySeen;
    for (const pugi::xml_node key : attributes.children("key")) {
        ReadKey(key);
    }
    for (const pugi::xml_node time : attributes.children("time")) {
        ReadTime(time);
    }
    for (const pugi::xml_node transpose : attributes.children("transpose")) {
        const std::optional<int32_t> nChromatic = Number<int32_t>(transpose.child("chromatic"));
        const std::optional<int32_t> nOctaves =
            transpose.child("octave-change") ? Number<int32_t>(transpose.child("octave-change"))
                                             : std::optional<int32_t>(0);
        if (!nChromatic || !nOctaves || std::abs(*nChromatic) > 4 * kOctave ||
            std::abs(*nOctaves) > 4) {
            m_bMalformed = true;
            return;
        }
        m_nTranspose = *nChromatic + *nOctaves * kOctave;
    }
    // The key sounds where the instrument sounds: a clarinet's D major is C major.
    if (bFirstKey && m_bKeySeen && m_nTranspose != 0) {
        const int32_t nSounding = m_nFifths + kFifth * m_nTranspose;
        m_nFifths = ((nSounding % kOctave) + kOctave + 5) % kOctave - 5;
    }
}

void CMeasureReader::ReadKey(const pugi::xml_node& key) {
    if (m_bKeySeen || !key.child("fifths")) {
        return;  // a later key is transposed with the first one, its notes checked on their own
    }
    const std::optional<int32_t> nFifths = Number<int32_t>(key.child("fifths"));
    if (!nFifths || std::abs(*nFifths) > 7) {
        m_bMalformed = true;
        return;
    }
    m_nFifths = *nFifths;
    m_bMinor = Trimmed(key.child("mode")) == "minor";
    m_bKeySeen = true;
}

void CMeasureReader::ReadTime(const pugi::xml_node& time) {
    if (time.child("senza-misura")) {
        m_fNominal = 0.0;
        return;
    }
    // Each <beats> may add up several groups ("3+2"); a time of several parts adds them all.
    double fEighths = 0.0;
    std::string strName;
    for (const pugi::xml_node beats : time.children("beats")) {
        const pugi::xml_node type = beats.next_sibling("beat-type");
        const std::optional<int32_t> nType = Number<int32_t>(type);
        std::string_view groups = Trimmed(beats);
        int32_t nBeats = 0;
        for (size_t nPlus = 0; nPlus != std::string_view::npos && nBeats >= 0;) {
            nPlus = groups.find('+');
            const std::optional<int32_t> nGroup = Number<int32_t>(groups.substr(0, nPlus));
            nBeats = nGroup && *nGroup > 0 && *nGroup < 1000 ? nBeats + *nGroup : -1;
            groups = nPlus == std::string_view::npos ? groups : groups.substr(nPlus + 1);
        }
        if (!nType || *nType <= 0 || *nType > 1024 || nBeats < 0) {
            m_bMalformed = true;
            return;
        }
        fEighths += nBeats * 8.0 / *nType;
        if (!strName.empty()) {
            strName += '+';
        }
        strName.append(Trimmed(beats)).append("/").append(Trimmed(type));
    }
    if (strName.empty()) {
        return;
    }
    m_fNominal = fEighths;
    if (strName != "4/4" &&
        std::find(m_otherTimes.begin(), m_otherTimes.end(), strName) == m_otherTimes.end()) {
        m_otherTimes.push_back(strName);
    }
}

std::optional<double> CMeasureReader::Quarters(const pugi::xml_node& element) {
    const std::optional<double> fDuration = Number<double>(element.child("duration"));
    if (!fDuration || *fDuration < 0.0 || *fDuration > kMaxNumber) {
        m_bMalformed = true;
        return std::nullopt;
    }
    return *fDuration / m_fDivisions;
}

// Whole eighths, as programs that write decimal durations round them; none when a reason was
// given.
std::optional<int32_t> CMeasureReader::Eighths(double fQuarters) {
    const double fEighths = fQuarters * 2.0;
    if (fEighths < 1.0 - kTolerance) {
        Refuse("Notenwerte kürzer als ein Achtel gibt es in Kantilo nicht.");
        return std::nullopt;
    }
    if (std::fabs(fEighths - std::round(fEighths)) > kTolerance) {
        Refuse("Notenwerte, die kein Vielfaches eines Achtels sind, gibt es in Kantilo nicht.");
        return std::nullopt;
    }
    if (fEighths > kMaxEighths) {
        Refuse("Notenwerte länger als acht Takte gibt es in Kantilo nicht.");
        return std::nullopt;
    }
    return static_cast<int32_t>(std::lround(fEighths));
}

// Where the first voice is silent while the others go on, it rests.
void CMeasureReader::AddGap(const SCursor& cursor, double fUntil, SMeasure& measure) {
    if (fUntil - cursor.fOurs <= kTolerance / 2) {
        return;
    }
    if (const std::optional<int32_t> nEighths = Eighths(fUntil - cursor.fOurs)) {
        SEvent gap;
        gap.nEighths = *nEighths;
        measure.events.push_back(gap);
        m_bTieOpen = false;  // a tie does not reach over a gap
    }
}

// The first voice is the one the part's first note sings in. A note that names none is in
// voice 1, unless it comes after a <backup>: then it is another voice going back in time.
bool CMeasureReader::IsOurVoice(const pugi::xml_node& note, bool bBackedUp) {
    const pugi::xml_node voice = note.child("voice");
    if (!voice && bBackedUp) {
        return false;
    }
    const std::string strVoice = voice ? std::string(Trimmed(voice)) : std::string("1");
    if (!m_strVoice) {
        m_strVoice = strVoice;
    }
    return *m_strVoice == strVoice;
}

void CMeasureReader::ReadNote(const pugi::xml_node& note, SCursor& cursor, SMeasure& measure) {
    const bool bOurs = IsOurVoice(note, cursor.bBackedUp);
    if (note.child("grace")) {
        m_bGrace = m_bGrace || bOurs;  // takes no time of its own
        return;
    }
    // A chord's further notes start with the note before; only that one advances.
    const bool bChord = static_cast<bool>(note.child("chord"));
    const std::optional<double> fQuarters = Quarters(note);
    if (fQuarters && !(*fQuarters > 0.0)) {
        m_bMalformed = true;  // only grace notes take no time
    }
    if (!fQuarters || bChord || m_bMalformed) {
        if (bChord && bOurs && !note.child("cue")) {
            Refuse("Akkorde gibt es in Kantilo nicht.");
        }
        return;
    }
    const double fStart = cursor.fPos;
    cursor.fPos += *fQuarters;
    // Cue notes are silent; the time they take stays as a gap.
    if (note.child("cue") || !bOurs) {
        m_bOtherVoice = m_bOtherVoice || !bOurs;
        return;
    }
    // Gone back under notes of its own voice, a note sounds with them.
    if (fStart + kTolerance < cursor.fOurs) {
        Refuse("Akkorde gibt es in Kantilo nicht.");
        return;
    }
    AddGap(cursor, fStart, measure);
    cursor.fOurs = cursor.fPos;
    if (note.child("time-modification")) {
        Refuse("Triolen und andere N-tolen gibt es in Kantilo nicht.");
        return;
    }
    AddEvent(note, *fQuarters, measure);
}

// The note or rest of our voice as an event of the measure, where its length is whole eighths.
void CMeasureReader::AddEvent(const pugi::xml_node& note, double fQuarters, SMeasure& measure) {
    SEvent event;
    const std::optional<int32_t> nEighths = Eighths(fQuarters);
    event.nEighths = nEighths.value_or(0);
    ReadPitch(note, event);
    // A tie counts when both of its ends are there.
    event.bTieStop = event.nKey >= 0 && m_bTieOpen && HasTie(note, "stop");
    event.bTieStart = event.nKey >= 0 && HasTie(note, "start");
    m_bTieOpen = event.bTieStart;
    if (nEighths) {
        measure.events.push_back(event);
    }
}

void CMeasureReader::ReadPitch(const pugi::xml_node& note, SEvent& event) {
    if (const pugi::xml_node rest = note.child("rest")) {
        const std::string_view step = Trimmed(rest.child("display-step"));
        const std::optional<int32_t> nOctave = Number<int32_t>(rest.child("display-octave"));
        if (step.size() == 1 && nOctave) {
            event.restPitch = CScalePitch::FromStep(step[0], *nOctave);
        }
        return;
    }
    const pugi::xml_node pitch = note.child("pitch");
    if (!pitch) {
        if (note.child("unpitched")) {
            Refuse("Noten ohne Tonhöhe gibt es in Kantilo nicht.");
        } else {
            m_bMalformed = true;
        }
        return;
    }
    const std::string_view step = Trimmed(pitch.child("step"));
    const std::optional<int32_t> nOctave = Number<int32_t>(pitch.child("octave"));
    const std::optional<double> fAlter =
        pitch.child("alter") ? Number<double>(pitch.child("alter")) : std::optional<double>(0.0);
    if (step.size() != 1 || step.find_first_of("ABCDEFG") != 0 || !nOctave ||
        std::abs(*nOctave) > 9 || !fAlter || !(std::fabs(*fAlter) <= 2.0)) {
        m_bMalformed = true;
        return;
    }
    const auto nAlter = static_cast<int32_t>(*fAlter);
    if (*fAlter != nAlter) {
        Refuse("Vierteltöne gibt es in Kantilo nicht.");
        return;
    }
    event.cStep = step[0];
    event.nAlter = static_cast<int8_t>(nAlter);
    event.nOctave = static_cast<int8_t>(*nOctave);
    event.nTransposed = static_cast<int8_t>(m_nTranspose);
    event.nKey = (*nOctave + 1) * kOctave + StepSemitones(step[0]) + nAlter + m_nTranspose;
}

void CMeasureReader::ReadBarline(const pugi::xml_node& barline, SMarks& marks) {
    if (const pugi::xml_node repeat = barline.child("repeat")) {
        const std::string_view direction = repeat.attribute("direction").as_string();
        marks.bRepeatStart = marks.bRepeatStart || direction == "forward";
        if (direction == "backward") {
            const int32_t nTimes = repeat.attribute("times").as_int(2);
            marks.nRepeatTimes = std::clamp(nTimes, 1, static_cast<int32_t>(kMaxEnding));
        }
    }
    if (const pugi::xml_node ending = barline.child("ending")) {
        const std::string_view type = ending.attribute("type").as_string();
        marks.nEndings |= EndingNumbers(ending.attribute("number").as_string());
        marks.bEndingStart = marks.bEndingStart || type == "start";
        marks.bEndingStop = marks.bEndingStop || type == "stop" || type == "discontinue";
    }
}

void CMeasureReader::ReadSound(const pugi::xml_node& sound, SMarks& marks) {
    marks.bSegno = marks.bSegno || sound.attribute("segno");
    marks.bCoda = marks.bCoda || sound.attribute("coda");
    marks.bFine = marks.bFine || sound.attribute("fine");
    marks.bToCoda = marks.bToCoda || sound.attribute("tocoda");
    marks.bDaCapo =
        marks.bDaCapo || sound.attribute("dacapo").as_string() == std::string_view("yes");
    marks.bDalSegno = marks.bDalSegno || sound.attribute("dalsegno");
}
