#include "CMusicXmlWriter.h"

#include <ctime>
#include <sstream>

#include <pugixml.hpp>

#include "CDocumentFile.h"
#include "CScalePitch.h"
#include "CScoreNotes.h"

namespace {

// Two divisions per quarter: an eighth, Kantilo's shortest note, is one.
constexpr const char* kDivisions = "2";
constexpr int32_t kDivisionsPerEighth = 1;
constexpr const char* kDocType =
    "score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\" "
    "\"http://www.musicxml.org/dtds/partwise.dtd\"";

// The written value of a part's length (songs hold only these four).
std::optional<const char*> TypeOf(int32_t nEighths) {
    switch (nEighths) {
        case 1:
            return "eighth";
        case 2:
            return "quarter";
        case 4:
            return "half";
        case 8:
            return "whole";
        default:
            return std::nullopt;
    }
}

void AddText(pugi::xml_node parent, const char* pszName, const std::string& strText) {
    parent.append_child(pszName).text().set(strText.c_str());
}

void AddHeader(pugi::xml_node score, const std::string& strTitle, const std::string& strDate) {
    AddText(score.append_child("work"), "work-title", strTitle);
    pugi::xml_node encoding = score.append_child("identification").append_child("encoding");
    AddText(encoding, "software", CMusicXmlWriter::kSoftware);
    AddText(encoding, "encoding-date", strDate);
    pugi::xml_node part = score.append_child("part-list").append_child("score-part");
    part.append_attribute("id") = "P1";
    AddText(part, "part-name", CMusicXmlWriter::kPartName);
}

void AddAttributes(pugi::xml_node measure) {
    pugi::xml_node attributes = measure.append_child("attributes");
    AddText(attributes, "divisions", kDivisions);
    pugi::xml_node time = attributes.append_child("time");
    AddText(time, "beats", "4");
    AddText(time, "beat-type", "4");
    pugi::xml_node clef = attributes.append_child("clef");
    AddText(clef, "sign", "G");
    AddText(clef, "line", "2");
}

void AddPitch(pugi::xml_node note, const CScoreNotes::SPart& part) {
    const std::optional<CScalePitch> pitch = CScalePitch::FromHz(part.nHz);
    if (part.bRest) {
        pugi::xml_node rest = note.append_child("rest");
        if (pitch) {
            AddText(rest, "display-step", std::string(1, pitch->cStep));
            AddText(rest, "display-octave", std::to_string(pitch->nOctave));
        }
        return;
    }
    // A pitch outside the scale was refused before writing (CExchangeFormat::Write).
    pugi::xml_node element = note.append_child("pitch");
    AddText(element, "step", std::string(1, pitch ? pitch->cStep : 'C'));
    AddText(element, "octave", std::to_string(pitch ? pitch->nOctave : 4));
}

void AddTies(pugi::xml_node note, const char* pszName, const CScoreNotes::SPart& part) {
    if (part.bTieStop) {
        note.append_child(pszName).append_attribute("type") = "stop";
    }
    if (part.bTieStart) {
        note.append_child(pszName).append_attribute("type") = "start";
    }
}

void AddNote(pugi::xml_node measure, const CScoreNotes::SPart& part) {
    pugi::xml_node note = measure.append_child("note");
    AddPitch(note, part);
    AddText(note, "duration", std::to_string(part.nEighths * kDivisionsPerEighth));
    AddTies(note, "tie", part);
    AddText(note, "voice", "1");
    if (const std::optional<const char*> type = TypeOf(part.nEighths)) {
        AddText(note, "type", *type);
    }
    if (part.bTieStart || part.bTieStop) {
        AddTies(note.append_child("notations"), "tied", part);
    }
}

}  // namespace

std::string CMusicXmlWriter::ToText(const CNotenblatt& sheet, const std::string& strTitle,
                                    const std::string& strDate) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    doc.append_child(pugi::node_doctype).set_value(kDocType);
    pugi::xml_node score = doc.append_child("score-partwise");
    score.append_attribute("version") = "4.0";
    AddHeader(score, strTitle, strDate);
    pugi::xml_node part = score.append_child("part");
    part.append_attribute("id") = "P1";
    const CScoreNotes notes(sheet);
    // The schema wants a measure even in a score without notes.
    const std::vector<std::vector<CScoreNotes::SPart>> oneEmptyBar(1);
    const auto& bars = notes.Bars().empty() ? oneEmptyBar : notes.Bars();
    for (size_t n = 0; n < bars.size(); ++n) {
        pugi::xml_node measure = part.append_child("measure");
        measure.append_attribute("number") = std::to_string(n + 1).c_str();
        if (n == 0) {
            AddAttributes(measure);
        }
        for (const CScoreNotes::SPart& note : bars[n]) {
            AddNote(measure, note);
        }
    }
    std::ostringstream text;
    doc.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
    return text.str();
}

std::string CMusicXmlWriter::Today() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char szDate[16] = {};
    std::strftime(szDate, sizeof szDate, "%Y-%m-%d", &utc);
    return szDate;
}

CFileResult CMusicXmlWriter::Save(const CNotenblatt& sheet, const std::string& strTitle,
                                  const std::string& strPath) {
    const std::string strText = ToText(sheet, strTitle, Today());
    return CDocumentFile::WriteBytes(
        strPath, std::span(reinterpret_cast<const uint8_t*>(strText.data()), strText.size()));
}
