#include "CMeasureReader.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include <pugixml.hpp>

#include "CArchiveException.h"

namespace {

// Far beyond any score's divisions or durations, and small enough that no product overflows.
constexpr int64_t kMaxNumber = int64_t{1} << 40;

std::string_view Trimmed(const pugi::xml_node& node) {
    std::string_view text = node.text().get();
    const size_t nFirst = text.find_first_not_of(" \t\r\n");
    if (nFirst == std::string_view::npos) {
        return {};
    }
    return text.substr(nFirst, text.find_last_not_of(" \t\r\n") - nFirst + 1);
}

template <typename T>
std::optional<T> Number(const pugi::xml_node& node) {
    const std::string_view text = Trimmed(node);
    T value{};
    const auto [pEnd, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || pEnd != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
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

// The German name of a pitch: H for B, with -is for a sharp and -es for a flat.
std::string GermanName(char cStep, int32_t nAlter, int32_t nOctave) {
    std::string strName(1, cStep == 'B' ? 'H' : cStep);
    if (nAlter > 0) {
        for (int32_t n = 0; n < nAlter; ++n) {
            strName += "is";
        }
    } else if (nAlter < 0) {
        if (cStep == 'B') {
            strName = "B";  // B flat is B; one flat more is Heses
            if (nAlter < -1) {
                strName = "Heses";
            }
        } else {
            const bool bVowel = cStep == 'A' || cStep == 'E';
            for (int32_t n = 0; n < -nAlter; ++n) {
                strName += bVowel && n == 0 ? "s" : "es";
            }
        }
    }
    return strName + std::to_string(nOctave);
}

}  // namespace

std::string CMeasureReader::InMeasure(const std::string& strReason) const {
    return "Takt " + std::to_string(m_nMeasure) + ": " + strReason;
}

std::optional<std::string> CMeasureReader::Read(const pugi::xml_node& measure, size_t nMeasure,
                                                std::vector<SEvent>& events) {
    m_nMeasure = nMeasure;
    int32_t nUsed = 0;
    for (const pugi::xml_node element : measure.children()) {
        const std::string_view name = element.name();
        std::optional<std::string> refusal;
        const size_t nBefore = events.size();
        if (name == "attributes") {
            refusal = ReadAttributes(element);
        } else if (name == "note") {
            refusal = ReadNote(element, events);
        } else if (name == "forward" && IsOurVoice(element)) {
            SEvent gap;
            gap.bRest = true;
            refusal = ReadLength(element, gap);
            events.push_back(gap);
            m_bTieOpen = false;  // a tie does not reach over a gap
        }
        if (refusal) {
            return refusal;
        }
        for (size_t n = nBefore; n < events.size(); ++n) {
            nUsed += events[n].nEighths;
        }
        if (nUsed > kBarEighths) {
            return InMeasure("Der Takt ist länger als 4/4.");
        }
    }
    return std::nullopt;
}

std::optional<std::string> CMeasureReader::ReadAttributes(const pugi::xml_node& attributes) {
    if (const pugi::xml_node divisions = attributes.child("divisions")) {
        const std::optional<int64_t> nDivisions = Number<int64_t>(divisions);
        if (!nDivisions || *nDivisions <= 0 || *nDivisions > kMaxNumber) {
            return CArchiveException::kMessage;
        }
        m_nDivisions = *nDivisions;
    }
    for (const pugi::xml_node time : attributes.children("time")) {
        const std::string_view beats = Trimmed(time.child("beats"));
        const std::string_view type = Trimmed(time.child("beat-type"));
        const bool bSingle = !time.child("beats").next_sibling("beats");
        if (beats != "4" || type != "4" || !bSingle) {
            const std::string strTime = beats.empty()
                                            ? std::string("ohne Takt")
                                            : std::string(beats) + "/" + std::string(type);
            return InMeasure("Die Taktart " + strTime + " gibt es in Kantilo nicht.");
        }
    }
    return std::nullopt;
}

// The first voice is the one the part's first note sings in; a note that names none is in
// voice 1.
bool CMeasureReader::IsOurVoice(const pugi::xml_node& element) {
    const pugi::xml_node voice = element.child("voice");
    const std::string strVoice = voice ? std::string(Trimmed(voice)) : std::string("1");
    if (!m_strVoice) {
        m_strVoice = strVoice;
    }
    return *m_strVoice == strVoice;
}

std::optional<std::string> CMeasureReader::ReadNote(const pugi::xml_node& note,
                                                    std::vector<SEvent>& events) {
    if (!IsOurVoice(note)) {
        return std::nullopt;
    }
    if (note.child("grace")) {
        return InMeasure("Vorschlagsnoten gibt es in Kantilo nicht.");
    }
    if (note.child("chord")) {
        return InMeasure("Akkorde gibt es in Kantilo nicht.");
    }
    if (note.child("time-modification")) {
        return InMeasure("Triolen und andere N-tolen gibt es in Kantilo nicht.");
    }
    SEvent event;
    std::optional<std::string> refusal = ReadLength(note, event);
    if (!refusal) {
        refusal = ReadPitch(note, event);
    }
    if (refusal) {
        return refusal;
    }
    // A tie counts when both of its ends are there.
    event.bTieFromPrev = !event.bRest && m_bTieOpen && HasTie(note, "stop");
    event.bTieToNext = !event.bRest && HasTie(note, "start");
    m_bTieOpen = event.bTieToNext;
    events.push_back(event);
    return std::nullopt;
}

std::optional<std::string> CMeasureReader::ReadLength(const pugi::xml_node& element,
                                                      SEvent& event) const {
    const std::optional<int64_t> nDuration = Number<int64_t>(element.child("duration"));
    if (!nDuration || *nDuration <= 0 || *nDuration > kMaxNumber) {
        return CArchiveException::kMessage;
    }
    // Two eighths to a quarter, which m_nDivisions divides.
    const int64_t nTwice = *nDuration * 2;
    if (nTwice < m_nDivisions) {
        return InMeasure("Notenwerte kürzer als ein Achtel gibt es in Kantilo nicht.");
    }
    if (nTwice % m_nDivisions != 0) {
        return InMeasure(
            "Notenwerte, die kein Vielfaches eines Achtels sind, gibt es in Kantilo "
            "nicht.");
    }
    if (nTwice / m_nDivisions > kBarEighths) {
        return InMeasure("Der Takt ist länger als 4/4.");
    }
    event.nEighths = static_cast<int32_t>(nTwice / m_nDivisions);
    return std::nullopt;
}

std::optional<std::string> CMeasureReader::ReadPitch(const pugi::xml_node& note,
                                                     SEvent& event) const {
    if (const pugi::xml_node rest = note.child("rest")) {
        event.bRest = true;
        const std::string_view step = Trimmed(rest.child("display-step"));
        const std::optional<int32_t> nOctave = Number<int32_t>(rest.child("display-octave"));
        if (step.size() == 1 && nOctave) {
            event.pitch = CScalePitch::FromStep(step[0], *nOctave);
        }
        return std::nullopt;
    }
    const pugi::xml_node pitch = note.child("pitch");
    if (!pitch) {
        return note.child("unpitched") ? InMeasure("Noten ohne Tonhöhe gibt es in Kantilo nicht.")
                                       : std::string(CArchiveException::kMessage);
    }
    const std::string_view step = Trimmed(pitch.child("step"));
    const std::optional<int32_t> nOctave = Number<int32_t>(pitch.child("octave"));
    const std::optional<double> fAlter =
        pitch.child("alter") ? Number<double>(pitch.child("alter")) : std::optional<double>(0.0);
    if (step.size() != 1 || step.find_first_of("ABCDEFG") != 0 || !nOctave || !fAlter ||
        !(std::fabs(*fAlter) <= 2.0)) {
        return CArchiveException::kMessage;
    }
    const auto nAlter = static_cast<int32_t>(*fAlter);
    if (*fAlter != nAlter) {
        return InMeasure("Vierteltöne gibt es in Kantilo nicht.");
    }
    event.pitch = nAlter == 0 ? CScalePitch::FromStep(step[0], *nOctave) : std::nullopt;
    if (!event.pitch) {
        return InMeasure("Die Tonhöhe " + GermanName(step[0], nAlter, *nOctave) +
                         " gibt es in Kantilo nicht.");
    }
    return std::nullopt;
}
