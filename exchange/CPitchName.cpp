#include "CPitchName.h"

std::string CPitchName::German(char cStep, int32_t nAlter, int32_t nOctave) {
    std::string strName(1, cStep == 'B' ? 'H' : cStep);
    if (nAlter > 0) {
        for (int32_t n = 0; n < nAlter; ++n) {
            strName += "is";
        }
    } else if (nAlter < 0) {
        if (cStep == 'B') {
            strName = nAlter < -1 ? "Heses" : "B";  // B flat is B; one flat more is Heses
        } else {
            const bool bVowel = cStep == 'A' || cStep == 'E';
            for (int32_t n = 0; n < -nAlter; ++n) {
                strName += bVowel && n == 0 ? "s" : "es";
            }
        }
    }
    return strName + std::to_string(nOctave);
}

std::string CPitchName::International(char cStep, int32_t nAlter, int32_t nOctave) {
    std::string strName(1, cStep);
    for (int32_t n = 0; n < nAlter; ++n) {
        strName += "♯";
    }
    for (int32_t n = 0; n < -nAlter; ++n) {
        strName += "♭";
    }
    return strName + std::to_string(nOctave);
}

std::string CPitchName::Both(char cStep, int32_t nAlter, int32_t nOctave) {
    const std::string strGerman = German(cStep, nAlter, nOctave);
    const std::string strInternational = International(cStep, nAlter, nOctave);
    return strGerman == strInternational ? strGerman : strGerman + " (" + strInternational + ")";
}
