// kantilo_long_song MEASURES OUT.kt: a song of that many full 4/4 measures for the memory
// benchmarks (bench/memory.sh), written as the editor saves it: eighths to wholes, rests, ties
// within and across bar lines, over the whole scale.
#include <cstdlib>
#include <iostream>
#include <string>

#include "CController.h"
#include "CDocumentFile.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::atol(argv[1]) <= 0) {
        std::cerr << "usage: kantilo_long_song MEASURES OUT.kt\n";
        return 2;
    }
    static const ETool kTools[] = {ETool::eighth, ETool::quarter,     ETool::half,
                                   ETool::whole,  ETool::quarterRest, ETool::quarter,
                                   ETool::eighth, ETool::eighth};
    static const int64_t kEighths[] = {1, 2, 4, 8, 2, 2, 1, 1};
    const int64_t nEighths = std::atol(argv[1]) * 8;
    CController controller;
    int64_t nLength = 0;  // the sheet counts its length bar by bar, which takes too long here
    for (int i = 0; nLength < nEighths; ++i) {
        // The last notes may not cross into a measure beyond the wanted ones.
        const bool bEnd = nEighths - nLength < 8;
        controller.AddNote(CPoint{0, 7 + (i * 5) % 44}, bEnd ? ETool::eighth : kTools[i % 8],
                           i % 7 == 0 && !bEnd);
        nLength += bEnd ? 1 : kEighths[i % 8];
    }
    const CFileResult saved = CDocumentFile::Save(argv[2], controller);
    if (!saved.Ok()) {
        std::cerr << saved.message << '\n';
        return 1;
    }
    return 0;
}
