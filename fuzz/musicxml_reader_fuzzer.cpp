// Feeds arbitrary bytes to the MusicXML importer. It must refuse or accept without crashing,
// hanging or running out of memory; whatever it accepts is a song that exports to MusicXML
// and MIDI and imports again to the same document bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "CController.h"
#include "CDocumentFile.h"
#include "CMidiWriter.h"
#include "CMusicXmlReader.h"
#include "CMusicXmlWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CMusicXmlReader::SResult imported = CMusicXmlReader::Parse(std::span(pData, nSize));
    if (!imported.pController) {
        if (imported.strMessage.empty()) {
            std::abort();  // a refusal must say why
        }
        return 0;
    }
    const CNotenblatt& sheet = imported.pController->GetSheet();
    CMidiWriter::ToBytes(sheet, "f");
    const std::string strText = CMusicXmlWriter::ToText(sheet, "f", "2026-01-01");
    CMusicXmlReader::SResult again = CMusicXmlReader::Parse(
        std::span(reinterpret_cast<const uint8_t*>(strText.data()), strText.size()));
    if (!again.pController || CDocumentFile::Store(*again.pController) !=
                                  CDocumentFile::Store(*imported.pController)) {
        std::abort();
    }
    return 0;
}
