// Feeds arbitrary bytes to the document reader. Whatever it accepts must behave like a song:
// store to bytes that load again to the same bytes, walk to its end, take entries and let
// every note be deleted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "CController.h"
#include "CDocumentFile.h"
#include "CNote.h"
#include "CNotenblatt.h"

namespace {

void ExerciseSong(CController& controller) {
    int32_t nNotes = 0;
    int32_t bNewBar = 0;
    for (CNote* p = controller.GetFirstNote(); p != nullptr; p = controller.GetNextNote(bNewBar)) {
        int32_t nWidth = 0;
        p->GetBitmap(nWidth);
        ++nNotes;
    }
    controller.AddNote(CPoint{0, 31}, ETool::whole, true);
    controller.AddNote(CPoint{0, 31}, ETool::halfRest, true);
    for (int32_t i = 0; i < nNotes + 8 && controller.GetFirstNote() != nullptr; ++i) {
        controller.DeleteLastNote();
    }
    if (controller.GetFirstNote() != nullptr) {
        std::abort();  // a note that deletion cannot reach
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::unique_ptr<CController> pLoaded;
    if (!CDocumentFile::Parse(std::span<const uint8_t>(pData, nSize), pLoaded).Ok()) {
        return 0;
    }
    std::vector<uint8_t> stored = CDocumentFile::Store(*pLoaded);
    std::unique_ptr<CController> pAgain;
    if (!CDocumentFile::Parse(stored, pAgain).Ok() || CDocumentFile::Store(*pAgain) != stored) {
        std::abort();
    }
    ExerciseSong(*pLoaded);
    return 0;
}
