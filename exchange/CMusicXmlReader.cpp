#include "CMusicXmlReader.h"

#include <cerrno>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "CArchiveException.h"
#include "CController.h"
#include "CDocumentFile.h"
#include "CFileError.h"
#include "CInputFile.h"
#include "CMeasureReader.h"
#include "CNotenblatt.h"
#include "CScalePitch.h"

namespace {

// Where a rest that names no height of its own is entered: the middle line.
constexpr char kRestStep = 'B';
constexpr int32_t kRestOctave = 4;

// The one place the importer enters notes: as clicks at the pitch's height with length tools,
// longest first, tied together, the way Kantilo spells a dotted length.
void EnterNote(CNotenblatt& sheet, const CMeasureReader::SEvent& event) {
    const std::optional<CScalePitch> rest = CScalePitch::FromStep(kRestStep, kRestOctave);
    const int32_t nHeight = event.pitch ? event.pitch->nHeight : rest->nHeight;
    bool bTie = event.bTieFromPrev;
    int32_t nLeft = event.nEighths;
    for (int32_t nPart = 8; nPart >= 1; nPart /= 2) {
        if (nLeft >= nPart) {
            const int32_t nTool = event.bRest ? kRestToolOffset + nPart : nPart;
            sheet.AddNote(CPoint{0, nHeight}, static_cast<ETool>(nTool), bTie);
            nLeft -= nPart;
            bTie = !event.bRest;
        }
    }
}

void EnterRests(CNotenblatt& sheet, int32_t nEighths) {
    if (nEighths > 0) {
        EnterNote(sheet, CMeasureReader::SEvent{nEighths, std::nullopt, true, false, false});
    }
}

// Enters one measure's notes; a short measure is padded to a full bar unless it ends the score.
// Returns whether rests were added at the end, which no tie crosses.
bool EnterMeasure(CNotenblatt& sheet, const std::vector<CMeasureReader::SEvent>& events,
                  bool bPickup, bool bLast) {
    int32_t nUsed = 0;
    for (const CMeasureReader::SEvent& event : events) {
        nUsed += event.nEighths;
    }
    const int32_t nMissing = CMeasureReader::kBarEighths - nUsed;
    if (bPickup) {
        EnterRests(sheet, nMissing);
    }
    for (const CMeasureReader::SEvent& event : events) {
        EnterNote(sheet, event);
    }
    if (bPickup || bLast || nMissing == 0) {
        return false;
    }
    EnterRests(sheet, nMissing);
    return true;
}

CMusicXmlReader::SResult Refused(std::string strMessage) {
    CMusicXmlReader::SResult result;
    result.strMessage = std::move(strMessage);
    return result;
}

CMusicXmlReader::SResult ReadScore(const pugi::xml_node score) {
    const pugi::xml_node part = score.child("part");
    if (std::string_view(score.name()) != "score-partwise" || !part) {
        return Refused(CArchiveException::kMessage);
    }
    auto measures = part.children("measure");
    const auto nMeasures = static_cast<size_t>(std::distance(measures.begin(), measures.end()));
    if (nMeasures > CMusicXmlReader::kMaxMeasures) {
        return Refused(CArchiveException::kMessage);
    }
    auto pController = std::make_unique<CController>();
    CMeasureReader reader;
    size_t nIndex = 0;
    bool bPadded = false;
    for (const pugi::xml_node measure : measures) {
        ++nIndex;
        std::vector<CMeasureReader::SEvent> events;
        if (std::optional<std::string> refusal = reader.Read(measure, nIndex, events)) {
            return Refused(std::move(*refusal));
        }
        if (bPadded && !events.empty()) {
            events.front().bTieFromPrev = false;
        }
        // A short first measure that the score marks as implicit, or that more measures
        // follow, is a pickup.
        const bool bPickup =
            nIndex == 1 &&
            (measure.attribute("implicit").as_string() == std::string_view("yes") || nMeasures > 1);
        bPadded = EnterMeasure(*pController->GetNotenblatt(), events, bPickup, nIndex == nMeasures);
    }
    CMusicXmlReader::SResult result;
    result.pController = std::move(pController);
    return result;
}

}  // namespace

CMusicXmlReader::SResult CMusicXmlReader::Parse(std::span<const uint8_t> data) {
    try {
        pugi::xml_document doc;
        // No document type is read: entities it might declare are never expanded.
        const pugi::xml_parse_result parsed =
            doc.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_auto);
        if (!parsed) {
            return Refused(CArchiveException::kMessage);
        }
        return ReadScore(doc.document_element());
    } catch (const std::bad_alloc&) {
        return Refused(CDocumentFile::kOpenFailure);
    }
}

CMusicXmlReader::SResult CMusicXmlReader::Load(const std::string& strPath) {
    std::vector<uint8_t> data;
    int nError = 0;
    try {
        nError = CDocumentFile::ReadBytes(strPath, data);
    } catch (const std::bad_alloc&) {
        nError = ENOMEM;
    }
    // Like a document, a score is never read from a FIFO, socket or device.
    if (nError == EFBIG || nError == CInputFile::kNotAFile) {
        return Refused(CArchiveException::kMessage);
    }
    if (nError != 0) {
        SResult result = Refused(nError == ENOMEM ? CDocumentFile::kOpenFailure
                                                  : CFileError::TextFromErrno(nError, strPath));
        result.bFileError = true;
        return result;
    }
    return Parse(data);
}
