#include "CCommandLine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <string_view>

#include "CSamplerDefaults.h"
#include "CShippedInstruments.h"
#include "CTranscriber.h"

namespace {

constexpr int32_t kMinQuality = CSamplerDefaults::kMinQuality;
constexpr int32_t kMaxQuality = CSamplerDefaults::kMaxQuality;

// "von 5 bis 50", from the range the engine offers.
std::string QualityRange() {
    return "von " + std::to_string(kMinQuality) + " bis " + std::to_string(kMaxQuality);
}

std::optional<int32_t> ParseNumber(std::string_view text) {
    int32_t nValue = 0;
    auto [pEnd, ec] = std::from_chars(text.data(), text.data() + text.size(), nValue);
    if (text.empty() || ec != std::errc() || pEnd != text.data() + text.size()) {
        return std::nullopt;
    }
    return nValue;
}

// Each returns an error text, or "" when the value is accepted.
using ApplyFn = std::string (*)(CCommandLine& cmd, const std::string& strValue);

std::string ApplyOutput(CCommandLine& cmd, const std::string& strValue) {
    if (!cmd.m_strOutput.empty()) {
        return "-o darf nur einmal angegeben werden.";
    }
    cmd.m_strOutput = strValue;
    return strValue.empty() ? "-o verlangt einen Dateinamen." : "";
}

std::string ApplyInstrument(CCommandLine& cmd, const std::string& strValue) {
    cmd.m_bSamplerOption = true;
    cmd.m_strInstrument = strValue;
    return strValue.empty() ? "--instrument verlangt einen Pfad oder \"Standard\"." : "";
}

std::string ApplyBase(CCommandLine& cmd, const std::string& strValue) {
    cmd.m_bSamplerOption = true;
    std::optional<int32_t> nValue = ParseNumber(strValue);
    // Any recording pitch will do from the command line; the dialog offers thirteen.
    if (!nValue || *nValue <= 0) {
        return "--base: erlaubt ist eine positive ganze Zahl (Hz).";
    }
    cmd.m_nBaseFrequency = *nValue;
    return "";
}

std::string ApplyQuality(CCommandLine& cmd, const std::string& strValue) {
    cmd.m_bSamplerOption = true;
    std::optional<int32_t> nValue = ParseNumber(strValue);
    if (!nValue || *nValue < kMinQuality || *nValue > kMaxQuality) {
        return "--quality: erlaubt ist eine ganze Zahl " + QualityRange() + ".";
    }
    cmd.m_nQuality = *nValue;
    return "";
}

std::string ApplyPlay(CCommandLine& cmd, const std::string&) {
    cmd.m_bPlay = true;
    return "";
}

constexpr int32_t kMinTempo = CTranscriber::kLeastGivenTempo;
constexpr int32_t kMaxTempo = CTranscriber::kMostGivenTempo;

std::string ApplyTempo(CCommandLine& cmd, const std::string& strValue) {
    cmd.m_bTranscriptionOption = true;
    std::optional<int32_t> nValue = ParseNumber(strValue);
    if (!nValue || *nValue < kMinTempo || *nValue > kMaxTempo) {
        return "--tempo: erlaubt ist eine ganze Zahl von " + std::to_string(kMinTempo) + " bis " +
               std::to_string(kMaxTempo) + " (Viertel pro Minute).";
    }
    cmd.m_nTempo = *nValue;
    return "";
}

std::string ApplyKey(CCommandLine& cmd, const std::string& strValue) {
    cmd.m_bTranscriptionOption = true;
    if (strValue != "auto" && strValue != "C") {
        return "--key: erlaubt ist \"auto\" oder \"C\".";
    }
    cmd.m_bKeepKey = strValue == "C";
    return "";
}

std::string ApplyHelp(CCommandLine& cmd, const std::string&) {
    cmd.m_action = CCommandLine::Action::help;
    return "";
}

std::string ApplyVersion(CCommandLine& cmd, const std::string&) {
    if (cmd.m_action != CCommandLine::Action::help) {
        cmd.m_action = CCommandLine::Action::version;
    }
    return "";
}

struct Option {
    std::string_view strName;
    std::string_view strAlias;
    bool bTakesValue;
    ApplyFn pfnApply;
};

constexpr std::array<Option, 9> kOptions = {{
    {"-o", "--output", true, &ApplyOutput},
    {"--instrument", "", true, &ApplyInstrument},
    {"--base", "", true, &ApplyBase},
    {"--quality", "", true, &ApplyQuality},
    {"--play", "", false, &ApplyPlay},
    {"--tempo", "", true, &ApplyTempo},
    {"--key", "", true, &ApplyKey},
    {"--help", "-h", false, &ApplyHelp},
    {"--version", "", false, &ApplyVersion},
}};

const Option* FindOption(std::string_view strName) {
    for (const Option& option : kOptions) {
        if (strName == option.strName || (!option.strAlias.empty() && strName == option.strAlias)) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

CCommandLine CCommandLine::Parse(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return Parse(args);
}

CCommandLine CCommandLine::Parse(const std::vector<std::string>& args) {
    CCommandLine cmd;
    for (size_t i = 0; i < args.size() && cmd.m_strError.empty(); ++i) {
        cmd.ParseArgument(args, i);
    }
    cmd.Finish();
    return cmd;
}

// Reads args[i] (and its value, moving i on); records the first error in m_strError.
bool CCommandLine::ParseArgument(const std::vector<std::string>& args, size_t& i) {
    const std::string& strArg = args[i];
    if (ParseShellSwitch(strArg)) {
        return true;
    }
    if (strArg.size() < 2 || strArg[0] != '-') {
        return ParsePath(strArg);
    }
    std::string::size_type nEquals =
        strArg.rfind("--", 0) == 0 ? strArg.find('=') : std::string::npos;
    std::string strName = strArg.substr(0, nEquals);
    const Option* pOption = FindOption(strName);
    if (pOption == nullptr) {
        m_strError = "Unbekannte Option: " + strArg;
        return false;
    }
    std::string strValue;
    if (nEquals != std::string::npos) {
        strValue = strArg.substr(nEquals + 1);
        if (!pOption->bTakesValue) {
            m_strError = strName + " erwartet keinen Wert.";
            return false;
        }
    } else if (pOption->bTakesValue) {
        if (i + 1 >= args.size()) {
            m_strError = strName + " erwartet einen Wert.";
            return false;
        }
        strValue = args[++i];
    }
    m_strError = pOption->pfnApply(*this, strValue);
    return m_strError.empty();
}

// The editor's shell switches; true when strArg was one.
bool CCommandLine::ParseShellSwitch(const std::string& strArg) {
    if (strArg.size() < 2 || (strArg[0] != '-' && strArg[0] != '/')) {
        return false;
    }
    const std::string strName = strArg.substr(1);
    std::string strLower = strName;
    std::transform(strLower.begin(), strLower.end(), strLower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (strName == "p" || strName == "pt") {
        m_shellCommand = strName == "p" ? ShellCommand::print : ShellCommand::printTo;
    } else if (strName == "dde") {
        m_shellCommand = ShellCommand::dde;
    } else if (strLower == "unregister" || strLower == "unregserver") {
        m_shellCommand = ShellCommand::unregister;
    } else if (strLower == "embedding") {
        m_bEmbedding = true;
    } else if (strLower == "automation") {
        m_bAutomation = true;
    } else {
        return false;
    }
    return true;
}

// The document path, or after -pt the printer, driver and port that follow it.
bool CCommandLine::ParsePath(const std::string& strArg) {
    if (m_strDocument.empty()) {
        m_strDocument = strArg;
        return true;
    }
    if (m_shellCommand == ShellCommand::printTo) {
        for (std::string* pField : {&m_strPrinter, &m_strDriver, &m_strPort}) {
            if (pField->empty()) {
                *pField = strArg;
                return true;
            }
        }
    }
    m_strError = "Es kann nur eine Dokumentdatei angegeben werden.";
    return false;
}

void CCommandLine::Finish() {
    if (!m_strError.empty()) {
        m_action = Action::usageError;
    } else if (m_action == Action::help || m_action == Action::version) {
        return;
    } else if (m_bPlay) {
        m_action = Action::play;
        if (!m_strOutput.empty()) {
            m_strError = "--play und -o schließen einander aus.";
        } else if (m_strDocument.empty()) {
            m_strError = "--play verlangt eine Dokumentdatei, die gespielt wird.";
        }
    } else if (!m_strOutput.empty()) {
        m_action = Action::convert;
        if (m_strDocument.empty()) {
            m_strError = "-o verlangt eine Dokumentdatei, die umgewandelt wird.";
        }
    } else if (m_bSamplerOption) {
        m_strError = "--instrument, --base und --quality gelten nur zusammen mit -o oder --play.";
    } else if (m_bTranscriptionOption) {
        m_strError = "--tempo und --key gelten nur zusammen mit -o.";
    }
    if (!m_strError.empty()) {
        m_action = Action::usageError;
    }
}

std::string CCommandLine::Version() {
    return "Kantilo " KANTILO_VERSION;
}

std::string CCommandLine::Usage() {
    return std::string(
               "Aufruf:\n"
               "  kantilo [DOKUMENT.kt|PARTITUR.musicxml|PARTITUR.xml]\n"
               "      öffnet den Editor, mit dem Dokument oder der Partitur, falls angegeben\n"
               "  kantilo DOKUMENT.kt -o AUSGABE.kt\n"
               "      liest das Dokument und speichert es neu, ohne Fenster\n"
               "  kantilo DOKUMENT.kt -o LIED.wav [--instrument PFAD|NAME|Standard] [--base HZ]"
               " [--quality Q]\n"
               "      generiert das Lied als WAV-Datei, ohne Fenster\n"
               "  kantilo DOKUMENT.kt -o PARTITUR.musicxml|PARTITUR.xml\n"
               "      exportiert das Lied als MusicXML-Partitur, ohne Fenster\n"
               "  kantilo DOKUMENT.kt -o LIED.mid|LIED.midi\n"
               "      exportiert das Lied als MIDI-Datei, ohne Fenster\n"
               "  kantilo DOKUMENT.kt -o NOTEN.pdf|NOTEN.svg|BILD.png\n"
               "      zeichnet die Noten als PDF- oder SVG-Seiten oder als PNG-Bilder (eins je\n"
               "      Seite: BILD-1.png, BILD-2.png, ...), ohne Fenster\n"
               "  kantilo PARTITUR.musicxml -o AUSGABE\n"
               "      importiert eine MusicXML-Partitur (auch .xml, komprimiert .mxl) und wandelt\n"
               "      sie um; was dabei geändert wurde, steht auf der Fehlerausgabe\n"
               "  kantilo DOKUMENT.kt --play [--instrument PFAD|NAME|Standard] [--base HZ]"
               " [--quality Q]\n"
               "      spielt das Lied (auch eine MusicXML-Partitur) auf der Audioausgabe, ohne"
               " Fenster\n"
               "  kantilo AUFNAHME.wav|AUFNAHME.flac|AUFNAHME.ogg -o AUSGABE [--tempo BPM]"
               " [--key auto|C]\n"
               "      schreibt die Melodie einer Aufnahme als Noten und wandelt sie um\n"
               "\n"
               "Optionen:\n"
               "  -o, --output DATEI   Ausgabedatei (.kt, .wav, .musicxml, .xml, .mid, .midi, .pdf,\n"
               "                       .svg oder .png)\n"
               "  --instrument PFAD    Instrument (WAV-Datei), ein mitgeliefertes Instrument\n"
               "                       (NAME) oder \"Standard\" (Vorgabe)\n"
               "  --base HZ            Grundfrequenz des Instruments in Hz, eine positive ganze\n"
               "                       Zahl (Vorgabe ") +
           std::to_string(CInstrument::kStandardBase) +
           ")\n"
           "  --quality Q          Filterqualität " +
           QualityRange() + " (Vorgabe " + std::to_string(CSamplerDefaults::kDefaultQuality) +
           ")\n"
           "  --play               spielt das Lied, statt es umzuwandeln; Strg+C hält an\n"
           "  --tempo BPM          Tempo der Aufnahme in Vierteln pro Minute (Vorgabe: erkannt)\n"
           "  --key auto|C         auto: die Tonart wird erkannt und nach C-Dur übertragen\n"
           "                       (Vorgabe); C: die Melodie bleibt, wie sie klingt\n"
           "  -h, --help           zeigt diese Hilfe\n"
           "  --version            zeigt die Version\n" +
           ShippedInstrumentList();
}

// The names --instrument accepts besides a path, as the installed folder holds them.
std::string CCommandLine::ShippedInstrumentList() {
    std::string strList;
    for (const std::string& strName : CShippedInstruments::Names()) {
        strList += (strList.empty() ? "" : ", ") + strName;
    }
    if (strList.empty()) {
        return "";
    }
    return "\nMitgelieferte Instrumente (NAME): " + strList + "\n";
}
