#include "CMusicXmlWriter.h"

#include <ctime>

#include "CDocumentFile.h"
#include "CExportStream.h"
#include "CMusicXmlReader.h"
#include "CScalePitch.h"
#include "CScoreNotes.h"

namespace {

// Two divisions per quarter: an eighth, Kantilo's shortest note, is one.
constexpr const char* kDivisions = "2";
constexpr int32_t kDivisionsPerEighth = 1;
constexpr const char* kDocType =
    "score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\" "
    "\"http://www.musicxml.org/dtds/partwise.dtd\"";
// The instrument other programs assign: channel and program 1, as in the MIDI export.
constexpr const char* kInstrumentId = " id=\"P1-I1\"";
constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD for bytes that are no UTF-8

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

// The length of the UTF-8 sequence at the start of text, 0 when it is none (overlong forms,
// surrogates and values beyond U+10FFFF included).
size_t SequenceLength(std::string_view text) {
    const auto byte = [&](size_t i) { return i < text.size() ? uint8_t(text[i]) : 0; };
    const uint8_t c = byte(0);
    const size_t nLength = c < 0x80                 ? 1
                           : c >= 0xC2 && c <= 0xDF ? 2
                           : c >= 0xE0 && c <= 0xEF ? 3
                           : c >= 0xF0 && c <= 0xF4 ? 4
                                                    : 0;
    const uint8_t nLow = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const uint8_t nHigh = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    for (size_t i = 1; i < nLength; ++i) {
        const uint8_t b = byte(i);
        if (b < (i == 1 ? nLow : 0x80) || b > (i == 1 ? nHigh : 0xBF)) {
            return 0;
        }
    }
    return nLength;
}

// Character data as XML 1.0 allows it: markup characters escaped, control characters it has
// no place for left out, and what is no UTF-8 (a file name in another encoding) replaced.
std::string Escaped(std::string_view text) {
    std::string strOut;
    while (!text.empty()) {
        const size_t nLength = SequenceLength(text);
        const char c = text[0];
        if (nLength == 0) {
            strOut += kReplacement;
        } else if (c == '&' || c == '<' || c == '>') {
            strOut += c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;";
        } else if (uint8_t(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
            strOut.append(text.substr(0, nLength));
        }
        text.remove_prefix(std::max<size_t>(nLength, 1));
    }
    return strOut;
}

// Elements written as they come, indented by two spaces a level.
class CXmlOut {
public:
    explicit CXmlOut(CExportStream& out) : m_out(out) {}
    void Open(std::string_view name, std::string_view attributes = {}) {
        Start(name, attributes);
        m_out.Put(">\n");
        ++m_nDepth;
    }
    void Close(std::string_view name) {
        --m_nDepth;
        Indent();
        m_out.Put("</");
        m_out.Put(name);
        m_out.Put(">\n");
    }
    void Empty(std::string_view name, std::string_view attributes = {}) {
        Start(name, attributes);
        m_out.Put(" />\n");
    }
    void Text(std::string_view name, std::string_view text) {
        Start(name, {});
        m_out.Put('>');
        m_out.Put(text);
        m_out.Put("</");
        m_out.Put(name);
        m_out.Put(">\n");
    }

private:
    void Indent() {
        for (int i = 0; i < m_nDepth; ++i) {
            m_out.Put("  ");
        }
    }
    void Start(std::string_view name, std::string_view attributes) {
        Indent();
        m_out.Put('<');
        m_out.Put(name);
        m_out.Put(attributes);
    }

    CExportStream& m_out;
    int m_nDepth = 0;
};

void WriteHeader(CXmlOut& xml, const std::string& strTitle, const std::string& strDate) {
    xml.Open("work");
    xml.Text("work-title", Escaped(strTitle));
    xml.Close("work");
    xml.Open("identification");
    xml.Open("encoding");
    xml.Text("software", CMusicXmlWriter::kSoftware);
    xml.Text("encoding-date", strDate);
    xml.Close("encoding");
    xml.Close("identification");
    xml.Open("part-list");
    xml.Open("score-part", " id=\"P1\"");
    xml.Text("part-name", CMusicXmlWriter::kPartName);
    xml.Open("score-instrument", kInstrumentId);
    xml.Text("instrument-name", CMusicXmlWriter::kPartName);
    xml.Close("score-instrument");
    xml.Open("midi-instrument", kInstrumentId);
    xml.Text("midi-channel", "1");
    xml.Text("midi-program", "1");
    xml.Close("midi-instrument");
    xml.Close("score-part");
    xml.Close("part-list");
}

void WriteAttributes(CXmlOut& xml) {
    xml.Open("attributes");
    xml.Text("divisions", kDivisions);
    xml.Open("key");
    xml.Text("fifths", "0");
    xml.Close("key");
    xml.Open("time");
    xml.Text("beats", "4");
    xml.Text("beat-type", "4");
    xml.Close("time");
    xml.Open("clef");
    xml.Text("sign", "G");
    xml.Text("line", "2");
    xml.Close("clef");
    xml.Close("attributes");
}

void WritePitch(CXmlOut& xml, const CScoreNotes::SPart& part) {
    const std::optional<CScalePitch> pitch = CScalePitch::FromHz(part.nHz);
    if (part.bRest && !pitch) {
        xml.Empty("rest");
        return;
    }
    // A pitch outside the scale was refused before writing (CExchangeFormat::Write).
    const char* pszStep = part.bRest ? "display-step" : "step";
    const char* pszOctave = part.bRest ? "display-octave" : "octave";
    xml.Open(part.bRest ? "rest" : "pitch");
    xml.Text(pszStep, std::string(1, pitch ? pitch->cStep : 'C'));
    xml.Text(pszOctave, std::to_string(pitch ? pitch->nOctave : 4));
    xml.Close(part.bRest ? "rest" : "pitch");
}

void WriteTies(CXmlOut& xml, const char* pszName, const CScoreNotes::SPart& part) {
    if (part.bTieStop) {
        xml.Empty(pszName, " type=\"stop\"");
    }
    if (part.bTieStart) {
        xml.Empty(pszName, " type=\"start\"");
    }
}

void WriteNote(CXmlOut& xml, const CScoreNotes::SPart& part) {
    xml.Open("note");
    WritePitch(xml, part);
    xml.Text("duration", std::to_string(part.nEighths * kDivisionsPerEighth));
    WriteTies(xml, "tie", part);
    xml.Text("voice", "1");
    if (const std::optional<const char*> type = TypeOf(part.nEighths)) {
        xml.Text("type", *type);
    }
    if (part.bTieStart || part.bTieStop) {
        xml.Open("notations");
        WriteTies(xml, "tied", part);
        xml.Close("notations");
    }
    xml.Close("note");
}

void WriteMeasures(CXmlOut& xml, const CScoreNotes& notes) {
    // The schema wants a measure even in a score without notes.
    const std::vector<std::vector<CScoreNotes::SPart>> oneEmptyBar(1);
    const auto& bars = notes.Bars().empty() ? oneEmptyBar : notes.Bars();
    for (size_t n = 0; n < bars.size(); ++n) {
        xml.Open("measure", " number=\"" + std::to_string(n + 1) + "\"");
        if (n == 0) {
            WriteAttributes(xml);
        }
        for (const CScoreNotes::SPart& note : bars[n]) {
            WriteNote(xml, note);
        }
        if (n + 1 == bars.size()) {
            xml.Open("barline", " location=\"right\"");
            xml.Text("bar-style", "light-heavy");
            xml.Close("barline");
        }
        xml.Close("measure");
    }
}

void WriteScore(CExportStream& out, const CScoreNotes& notes, const std::string& strTitle,
                const std::string& strDate) {
    out.Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE ");
    out.Put(kDocType);
    out.Put(">\n");
    CXmlOut xml(out);
    xml.Open("score-partwise", " version=\"4.0\"");
    WriteHeader(xml, strTitle, strDate);
    xml.Open("part", " id=\"P1\"");
    WriteMeasures(xml, notes);
    xml.Close("part");
    xml.Close("score-partwise");
}

}  // namespace

std::string CMusicXmlWriter::ToText(const CNotenblatt& sheet, const std::string& strTitle,
                                    const std::string& strDate) {
    const CScoreNotes notes(sheet);
    return CExportStream::Text(
        [&](CExportStream& out) { WriteScore(out, notes, strTitle, strDate); });
}

std::string CMusicXmlWriter::Today() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char szDate[16] = {};
    std::strftime(szDate, sizeof szDate, "%Y-%m-%d", &utc);
    return szDate;
}

// Whatever Kantilo exports, it reads back: a song beyond the reader's limits is refused
// before anything is written, or, for the size, as soon as the file would pass it.
CFileResult CMusicXmlWriter::Save(const CNotenblatt& sheet, const std::string& strTitle,
                                  const std::string& strPath) {
    const CScoreNotes notes(sheet);
    if (notes.Bars().size() > CMusicXmlReader::kMaxMeasures) {
        return CFileResult::FormatError(TooManyMeasures(notes.Bars().size()));
    }
    const std::string strDate = Today();
    return CExportStream::Save(
        strPath, [&](CExportStream& out) { WriteScore(out, notes, strTitle, strDate); },
        CDocumentFile::kMaxFileSize, TooLarge());
}

std::string CMusicXmlWriter::TooManyMeasures(size_t nMeasures) {
    return "Das Lied hat " + std::to_string(nMeasures) + " Takte: MusicXML-Dateien mit mehr als " +
           std::to_string(CMusicXmlReader::kMaxMeasures) +
           " Takten liest Kantilo nicht wieder ein.";
}

std::string CMusicXmlWriter::TooLarge() {
    return "Die MusicXML-Datei würde größer als " +
           std::to_string(CDocumentFile::kMaxFileSize >> 20) +
           " MiB: so große Dateien liest Kantilo nicht wieder ein.";
}
