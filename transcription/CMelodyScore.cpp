#include "CMelodyScore.h"

#include <algorithm>

#include "CBarPhase.h"

namespace {
constexpr int64_t kBar = CBarPhase::kBar;

std::string Element(const std::string& strName, const std::string& strValue) {
    return "<" + strName + ">" + strValue + "</" + strName + ">";
}

// One note or rest of nLength eighths (divisions are eighths), tied on either side as asked.
std::string NoteText(const std::string& strPitch, int64_t nLength, bool bTieStop, bool bTieStart) {
    std::string strText = "<note>" + strPitch + Element("duration", std::to_string(nLength));
    if (bTieStop) {
        strText += "<tie type=\"stop\"/>";
    }
    if (bTieStart) {
        strText += "<tie type=\"start\"/>";
    }
    return strText + "</note>";
}
}  // namespace

std::string CMelodyScore::Pitch(int nKey) {
    static const char* const kSteps[12] = {"C", "C", "D", "D", "E", "F", "F", "G", "G", "A", "A", "B"};
    const int nClass = nKey % 12;
    const bool bSharp = nClass == 1 || nClass == 3 || nClass == 6 || nClass == 8 || nClass == 10;
    return "<pitch>" + Element("step", kSteps[nClass]) + (bSharp ? Element("alter", "1") : "") +
           Element("octave", std::to_string(nKey / 12 - 1)) + "</pitch>";
}

std::string CMelodyScore::ToText(const std::vector<CNoteDecoder::SNote>& notes,
                                 int64_t nFirstInBar) {
    std::string strText = "<score-partwise version=\"4.0\"><part-list><score-part id=\"P1\">"
                          "<part-name>Melodie</part-name></score-part></part-list><part id=\"P1\">";
    if (notes.empty()) {
        return strText + "</part></score-partwise>";
    }
    // Eighths are counted from the bar line before the first note; the silence before the
    // first note is left out.
    const int64_t nStart = notes.front().nOnset - nFirstInBar;
    int64_t nAt = notes.front().nOnset;  // the pickup starts at the first note
    int64_t nMeasure = -1;
    const auto open = [&](int64_t nTime) {
        const int64_t nIndex = (nTime - nStart) / kBar;
        if (nIndex == nMeasure) {
            return;
        }
        strText += nMeasure < 0 ? "" : "</measure>";
        strText += nMeasure < 0 && nTime > nStart ? "<measure number=\"0\" implicit=\"yes\">"
                                                  : "<measure number=\"" + std::to_string(nIndex + 1) + "\">";
        if (nMeasure < 0) {
            strText += "<attributes><divisions>2</divisions><key><fifths>0</fifths></key>"
                       "<time><beats>4</beats><beat-type>4</beat-type></time>"
                       "<clef><sign>G</sign><line>2</line></clef></attributes>";
        }
        nMeasure = nIndex;
    };
    // Writes [nFrom, nTo) as parts cut at bar lines; sounding parts are tied together.
    const auto write = [&](int64_t nFrom, int64_t nTo, const std::string& strPitch, bool bNote) {
        for (int64_t t = nFrom; t < nTo;) {
            open(t);
            const int64_t nEnd = std::min(nTo, nStart + ((t - nStart) / kBar + 1) * kBar);
            strText += NoteText(strPitch, nEnd - t, bNote && t > nFrom, bNote && nEnd < nTo);
            t = nEnd;
        }
    };
    for (const CNoteDecoder::SNote& note : notes) {
        write(nAt, note.nOnset, "<rest/>", false);
        write(note.nOnset, note.nOnset + note.nLength, Pitch(note.nKey), true);
        nAt = note.nOnset + note.nLength;
    }
    return strText + "</measure></part></score-partwise>";
}
