#include "CPitchTable.h"

const CPitchTable::SPitch* CPitchTable::AtRowHeight(int32_t nRowHeight) {
    for (const SPitch& pitch : kScale) {
        if (nRowHeight >= pitch.nTop && nRowHeight < pitch.nBottom) {
            return &pitch;
        }
    }
    return nullptr;
}

int32_t CPitchTable::IndexOfGlyphBase(int32_t nGlyphBase) {
    for (size_t i = 0; i < kScale.size(); ++i) {
        if (kScale[i].nGlyphBase == nGlyphBase) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}
