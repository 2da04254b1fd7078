#include "CMelodyLayout.h"

#include <algorithm>
#include <optional>

#include "CController.h"
#include "CMusicXmlReader.h"
#include "CNotenblatt.h"
#include "CPitchName.h"
#include "CRepeatPlan.h"
#include "CTransposition.h"

namespace {

using SEvent = CMeasureReader::SEvent;

// Where a rest that names no height of its own is entered: the middle line.
constexpr char kRestStep = 'B';
constexpr int32_t kRestOctave = 4;

// Clicks with length tools at the pitch's height, longest first, tied together, the way
// Kantilo spells a dotted length.
void Click(CNotenblatt& sheet, int32_t nHeight, int32_t nEighths, bool bRest, bool bTie) {
    int32_t nLeft = nEighths;
    for (int32_t nPart = CMeasureReader::kBarEighths; nPart >= 1; nPart /= 2) {
        while (nLeft >= nPart) {
            const int32_t nTool = bRest ? kRestToolOffset + nPart : nPart;
            sheet.AddNote(CPoint{0, nHeight}, static_cast<ETool>(nTool), bTie);
            nLeft -= nPart;
            bTie = !bRest;
        }
    }
}

// The one place the importer enters notes. The sheet splits and ties a note at a bar line;
// a rest is entered bar by bar, as a user fills each bar, so that no rest is tied to the next
// and the song exports and imports again unchanged.
void EnterNote(CNotenblatt& sheet, int32_t nHeight, int32_t nEighths, bool bRest, bool bTie) {
    if (!bRest) {
        Click(sheet, nHeight, nEighths, false, bTie);
        return;
    }
    const int32_t nBar = CMeasureReader::kBarEighths;
    for (int32_t nLeft = nEighths; nLeft > 0;) {
        const int32_t nPart = std::min(nLeft, nBar - sheet.GetLength() % nBar);
        Click(sheet, nHeight, nPart, true, false);
        nLeft -= nPart;
    }
}

}  // namespace

CMelodyLayout::CMelodyLayout(const CMeasureReader& reader,
                             std::vector<CMeasureReader::SMeasure> measures)
    : m_reader(reader), m_measures(std::move(measures)) {}

std::unique_ptr<CController> CMelodyLayout::Build() {
    std::vector<CMeasureReader::SMarks> marks;
    marks.reserve(m_measures.size());
    for (const CMeasureReader::SMeasure& measure : m_measures) {
        marks.push_back(measure.marks);
    }
    const std::optional<std::vector<size_t>> order =
        CRepeatPlan::Order(marks, CMusicXmlReader::kMaxMeasures);
    // Played out, the song holds no more bars than the longest score has measures.
    int64_t nEighths = 0;
    for (const size_t nMeasure : order.value_or(std::vector<size_t>())) {
        nEighths += m_measures[nMeasure].nEighths;
    }
    const auto nMaxEighths =
        static_cast<int64_t>(CMeasureReader::kBarEighths * CMusicXmlReader::kMaxMeasures);
    if (!order || nEighths > nMaxEighths) {
        return nullptr;
    }
    TellChanges(*order);
    auto pController = std::make_unique<CController>();
    Enter(*pController, *order);
    return pController;
}

// One sentence for each kind of change, in the order they apply.
void CMelodyLayout::TellChanges(const std::vector<size_t>& order) {
    for (const std::string& strTime : m_reader.OtherTimes()) {
        m_notices.push_back("Die Taktart " + strTime +
                            " wurde in 4/4-Takte umgeschrieben; die Melodie klingt gleich.");
    }
    if (std::string strKey =
            CTransposition::Notice(m_reader.Fifths(), m_reader.IsMinor(), m_nShift);
        !strKey.empty()) {
        m_notices.push_back(std::move(strKey));
    }
    if (order.size() != m_measures.size() || !std::is_sorted(order.begin(), order.end())) {
        m_notices.push_back("Wiederholungen wurden ausgeschrieben.");
    }
    if (m_reader.LeftOutVoices()) {
        m_notices.push_back("Nur die erste Stimme wurde übernommen.");
    }
    if (m_reader.LeftOutGraceNotes()) {
        m_notices.push_back("Vorschlagsnoten wurden weggelassen.");
    }
}

// Into C major and into the range; where no octave fits, into the octave that leaves the
// fewest notes outside, which are then named.
void CMelodyLayout::Transpose() {
    std::vector<int> keys;
    for (const CMeasureReader::SMeasure& measure : m_measures) {
        for (const SEvent& event : measure.events) {
            if (event.nKey >= 0) {
                keys.push_back(event.nKey);
            }
        }
    }
    const int nFifths = m_reader.Fifths();
    if (const std::optional<int> shift = CTransposition::IntoC(nFifths, keys)) {
        m_nShift = *shift;
        NameUnfitNotes(m_nShift);
        return;
    }
    // Each key once, with how often it sounds.
    std::sort(keys.begin(), keys.end());
    std::vector<std::pair<int, size_t>> counted;
    for (auto it = keys.begin(); it != keys.end();) {
        const auto end = std::upper_bound(it, keys.end(), *it);
        counted.emplace_back(*it, static_cast<size_t>(end - it));
        it = end;
    }
    const auto countUnfit = [&counted](int nShift) {
        size_t nUnfit = 0;
        for (const auto& [nKey, nCount] : counted) {
            nUnfit += CScalePitch::FromKey(nKey + nShift) ? 0 : nCount;
        }
        return nUnfit;
    };
    std::optional<int> best;
    for (const auto& [nKey, nCount] : counted) {
        const std::optional<int> shift = CTransposition::IntoC(nFifths, std::span(&nKey, 1));
        if (shift &&
            (!best || countUnfit(*shift) < countUnfit(*best) ||
             (countUnfit(*shift) == countUnfit(*best) && std::abs(*shift) < std::abs(*best)))) {
            best = shift;
        }
    }
    m_nShift = best.value_or(0);
    NameUnfitNotes(m_nShift);
}

void CMelodyLayout::NameUnfitNotes(int nShift) {
    for (size_t nMeasure = 0; nMeasure < m_measures.size(); ++nMeasure) {
        for (const SEvent& event : m_measures[nMeasure].events) {
            if (event.nKey < 0 || CScalePitch::FromKey(event.nKey + nShift)) {
                continue;
            }
            const int nMoved = event.nTransposed + nShift;
            const std::string strName = CPitchName::Both(event.cStep, event.nAlter, event.nOctave);
            const std::string strMoved =
                nMoved == 0
                    ? std::string()
                    : "nach der Übertragung (" + CTransposition::IntervalName(nMoved) + ") ";
            CMeasureReader::SReason reason{nMeasure + 1, "Die Tonhöhe " + strName + " gibt es " +
                                                             strMoved + "in Kantilo nicht."};
            if (m_reasons.empty() || m_reasons.back() != reason) {
                m_reasons.push_back(std::move(reason));
            }
        }
    }
}

// A short first measure that the score marks as implicit, or that more measures follow, is a
// pickup.
bool CMelodyLayout::IsPickup() const {
    if (m_measures.empty()) {
        return false;
    }
    const CMeasureReader::SMeasure& first = m_measures.front();
    return first.nEighths + 1e-9 < first.fNominal && (first.bImplicit || m_measures.size() > 1);
}

void CMelodyLayout::Enter(CController& controller, const std::vector<size_t>& order) const {
    CNotenblatt& sheet = *controller.GetNotenblatt();
    const int32_t nRestHeight = CScalePitch::FromStep(kRestStep, kRestOctave)->nHeight;
    if (IsPickup()) {
        const int32_t nBar = CMeasureReader::kBarEighths;
        EnterNote(sheet, nRestHeight, (nBar - m_measures.front().nEighths % nBar) % nBar, true,
                  false);
    }
    const SEvent* pPrevious = nullptr;
    for (const size_t nMeasure : order) {
        for (const SEvent& event : m_measures[nMeasure].events) {
            const bool bRest = event.nKey < 0;
            const bool bTie = !bRest && pPrevious && pPrevious->bTieStart && event.bTieStop &&
                              pPrevious->nKey == event.nKey;
            const int32_t nHeight = bRest
                                        ? (event.restPitch ? event.restPitch->nHeight : nRestHeight)
                                        : CScalePitch::FromKey(event.nKey + m_nShift)->nHeight;
            EnterNote(sheet, nHeight, event.nEighths, bRest, bTie);
            pPrevious = &event;
        }
    }
}
