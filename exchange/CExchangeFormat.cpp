#include "CExchangeFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "CMidiWriter.h"
#include "CMusicXmlWriter.h"
#include "CScalePitch.h"
#include "CScoreNotes.h"

namespace {

struct SExtension {
    std::string_view strExtension;
    CExchangeFormat::Kind kind;
};

constexpr std::array<SExtension, 8> kExtensions = {{
    {".musicxml", CExchangeFormat::Kind::musicXml},
    {".xml", CExchangeFormat::Kind::musicXml},
    {".mid", CExchangeFormat::Kind::midi},
    {".midi", CExchangeFormat::Kind::midi},
    {".pdf", CExchangeFormat::Kind::pdf},
    {".svg", CExchangeFormat::Kind::svg},
    {".png", CExchangeFormat::Kind::png},
    {".mxl", CExchangeFormat::Kind::compressedMusicXml},
}};

}  // namespace

CExchangeFormat::Kind CExchangeFormat::FromPath(const std::string& strPath) {
    std::string strExtension = std::filesystem::path(strPath).extension().string();
    std::transform(strExtension.begin(), strExtension.end(), strExtension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const SExtension& extension : kExtensions) {
        if (strExtension == extension.strExtension) {
            return extension.kind;
        }
    }
    return Kind::none;
}

std::string CExchangeFormat::TitleFromPath(const std::string& strPath) {
    return std::filesystem::path(strPath).stem().string();
}

CFileResult CExchangeFormat::Write(Kind kind, const CNotenblatt& sheet,
                                   const std::string& strTitle, const std::string& strPath) {
    // A document may hold any frequency; other programs know only the scale's.
    for (const CScoreNotes::SSound& sound : CScoreNotes(sheet).Sounds()) {
        if (!CScalePitch::FromHz(sound.nHz)) {
            return CFileResult::FormatError("Die Tonhöhe " + std::to_string(sound.nHz) +
                                            " Hz lässt sich nicht exportieren.");
        }
    }
    switch (kind) {
        case Kind::musicXml:
            return CMusicXmlWriter::Save(sheet, strTitle, strPath);
        case Kind::midi:
            return CMidiWriter::Save(sheet, strTitle, strPath);
        case Kind::none:
        case Kind::pdf:
        case Kind::svg:
        case Kind::png:
        case Kind::compressedMusicXml:
            break;
    }
    return CFileResult::FormatError("Dieses Format kann hier nicht geschrieben werden.");
}
