#include "CMusicXmlReader.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <string_view>

#include <pugixml.hpp>

#include "CArchiveException.h"
#include "CController.h"
#include "CDocumentFile.h"
#include "CEngineFailure.h"
#include "CFileError.h"
#include "CInputFile.h"
#include "CMeasureReader.h"
#include "CMelodyLayout.h"
#include "CMxlContainer.h"

static_assert(CDocumentFile::kMaxFileSize == 64u << 20, "kTooLarge names the limit");
static_assert(CMusicXmlReader::kMaxMeasures == 100000, "kTooManyMeasures names the limit");

namespace {

// What the parsed tree costs at most per element and per attribute (pugixml's node and
// attribute records with their page overhead), against the bytes of the score itself.
constexpr size_t kElementBytes = 72;
constexpr size_t kAttributeBytes = 48;
constexpr size_t kTreeAllowance = 3;
constexpr size_t kTreeConstant = 24u << 20;

CMusicXmlReader::SResult Refused(std::string strMessage) {
    CMusicXmlReader::SResult result;
    result.strMessage = std::move(strMessage);
    return result;
}

// Every '<' but a closing tag's may open a node and every '=' an attribute: counted before a
// tree is built, so that a file of tiny elements is refused before it costs many times its
// size.
bool TreeFits(std::span<const uint8_t> data) {
    size_t nElements = 0;
    for (size_t n = 0; n + 1 < data.size(); ++n) {
        nElements += data[n] == '<' && data[n + 1] != '/';
    }
    const auto nAttributes = static_cast<size_t>(std::count(data.begin(), data.end(), '='));
    return nElements * kElementBytes + nAttributes * kAttributeBytes <=
           kTreeAllowance * data.size() + kTreeConstant;
}

// "Takt 3: …", one a line in the order of the measures, the first ten and how many more.
std::string ReasonList(std::vector<CMeasureReader::SReason> reasons) {
    std::stable_sort(reasons.begin(), reasons.end(),
                     [](const auto& a, const auto& b) { return a.nMeasure < b.nMeasure; });
    std::string strList;
    const size_t nShown = std::min(reasons.size(), CMusicXmlReader::kMaxReasonLines);
    for (size_t n = 0; n < nShown; ++n) {
        strList += (n == 0 ? "Takt " : "\nTakt ") + std::to_string(reasons[n].nMeasure) + ": " +
                   reasons[n].strText;
    }
    if (reasons.size() > nShown) {
        strList += "\n… und " + std::to_string(reasons.size() - nShown) + " weitere.";
    }
    return strList;
}

std::string Title(const pugi::xml_node score) {
    std::string_view title = score.child("work").child("work-title").text().get();
    if (title.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        title = score.child("movement-title").text().get();
    }
    const size_t nFirst = title.find_first_not_of(" \t\r\n");
    if (nFirst == std::string_view::npos) {
        return {};
    }
    return std::string(title.substr(nFirst, title.find_last_not_of(" \t\r\n") - nFirst + 1));
}

// The first part's measures: in a partwise score the part's children, in a timewise score
// the first part's piece of each measure. Pairs of contents and measure element.
std::vector<std::pair<pugi::xml_node, pugi::xml_node>> FirstPart(const pugi::xml_node score) {
    std::vector<std::pair<pugi::xml_node, pugi::xml_node>> measures;
    const std::string_view root = score.name();
    if (root == "score-partwise") {
        for (const pugi::xml_node measure : score.child("part").children("measure")) {
            measures.emplace_back(measure, measure);
        }
    } else if (root == "score-timewise") {
        const pugi::xml_node first = score.child("measure").child("part");
        const std::string_view id = first.attribute("id").as_string();
        for (const pugi::xml_node measure : score.children("measure")) {
            const pugi::xml_node part = measure.find_child_by_attribute("part", "id", id.data());
            if (!part) {
                return {};  // a measure without the part is no timewise score
            }
            measures.emplace_back(part, measure);
        }
    }
    return measures;
}

// The score as read from its tree: what remains once the tree is gone.
struct SRead {
    CMeasureReader reader;
    std::vector<CMeasureReader::SMeasure> measures;
    std::string strTitle;
};

// Reads the first part's measures; the refusal when the score is no melody a song can hold.
std::optional<std::string> ReadScore(const pugi::xml_node score, SRead& read) {
    const auto measures = FirstPart(score);
    if (measures.empty() || !measures.front().first) {
        return std::string(CArchiveException::kMessage);
    }
    if (measures.size() > CMusicXmlReader::kMaxMeasures) {
        return std::string(CMusicXmlReader::kTooManyMeasures);
    }
    read.measures.reserve(measures.size());
    for (const auto& [contents, measure] : measures) {
        read.measures.push_back(read.reader.Read(contents, measure, read.measures.size() + 1));
        if (read.reader.IsMalformed()) {
            return std::string(CArchiveException::kMessage);
        }
    }
    read.strTitle = Title(score);
    return std::nullopt;
}

CMusicXmlReader::SResult LayOut(SRead& read) {
    CMelodyLayout layout(read.reader, std::move(read.measures));
    layout.Transpose();
    if (!read.reader.Reasons().empty() || !layout.Reasons().empty()) {
        std::vector<CMeasureReader::SReason> reasons = read.reader.Reasons();
        reasons.insert(reasons.end(), layout.Reasons().begin(), layout.Reasons().end());
        return Refused(ReasonList(std::move(reasons)));
    }
    CMusicXmlReader::SResult result;
    result.pController = layout.Build();
    if (!result.pController) {
        return Refused(CMusicXmlReader::kTooManyMeasures);
    }
    result.notices = layout.Notices();
    result.strTitle = std::move(read.strTitle);
    return result;
}

// Parses the score in its own buffer, which the tree then points into; both are gone before
// the song is built, so that they and the song never take memory at the same time.
CMusicXmlReader::SResult ParseOwn(std::vector<uint8_t>& bytes) {
    if (bytes.size() > CDocumentFile::kMaxFileSize) {
        return Refused(CMusicXmlReader::kTooLarge);
    }
    if (!TreeFits(bytes)) {
        return Refused(CMusicXmlReader::kTooManyElements);
    }
    SRead read;
    {
        pugi::xml_document doc;
        // No document type is read: entities it might declare are never expanded. Text that
        // is an element's only child is kept in the element, which halves the tree.
        const pugi::xml_parse_result parsed = doc.load_buffer_inplace(
            bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_embed_pcdata,
            pugi::encoding_auto);
        if (parsed.status == pugi::status_out_of_memory) {
            return Refused(CEngineFailure::kNoMemory);
        }
        if (!parsed) {
            return Refused(CArchiveException::kMessage);
        }
        if (std::optional<std::string> refusal = ReadScore(doc.document_element(), read)) {
            return Refused(std::move(*refusal));
        }
    }
    std::vector<uint8_t>().swap(bytes);
    return LayOut(read);
}

CMusicXmlReader::SResult ParseAny(std::span<const uint8_t> data, std::vector<uint8_t>* pOwn) {
    try {
        std::vector<uint8_t> score;
        if (CMxlContainer::IsContainer(data)) {
            std::string strRefusal =
                CMxlContainer::Unpack(data, CDocumentFile::kMaxFileSize, score);
            if (!strRefusal.empty()) {
                return Refused(std::move(strRefusal));
            }
            if (pOwn) {
                std::vector<uint8_t>().swap(*pOwn);  // the container is no longer needed
            }
            return ParseOwn(score);
        }
        if (pOwn) {
            return ParseOwn(*pOwn);
        }
        if (data.size() > CDocumentFile::kMaxFileSize) {
            return Refused(CMusicXmlReader::kTooLarge);
        }
        score.assign(data.begin(), data.end());
        return ParseOwn(score);
    } catch (const std::bad_alloc&) {
        return Refused(CEngineFailure::kNoMemory);
    }
}

}  // namespace

CMusicXmlReader::SResult CMusicXmlReader::Parse(std::span<const uint8_t> data) {
    return ParseAny(data, nullptr);
}

CMusicXmlReader::SResult CMusicXmlReader::Load(const std::string& strPath) {
    std::vector<uint8_t> data;
    int nError = 0;
    try {
        nError = CDocumentFile::ReadBytes(strPath, data);
    } catch (const std::bad_alloc&) {
        nError = ENOMEM;
    }
    if (nError == EFBIG) {
        return Refused(kTooLarge);
    }
    // Like a document, a score is never read from a FIFO, socket or device.
    if (nError == CInputFile::kNotAFile) {
        return Refused(CArchiveException::kMessage);
    }
    if (nError != 0) {
        SResult result = Refused(nError == ENOMEM ? CEngineFailure::kNoMemory
                                                  : CFileError::TextFromErrno(nError, strPath));
        result.bFileError = true;
        return result;
    }
    return ParseAny(data, &data);
}
