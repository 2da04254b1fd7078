#pragma once

#include <cstdint>
#include <string>

// A written pitch as a refusal names it: the German way ("Fis4", "B4" for B flat, "H4" for B)
// and, where that differs, the international spelling in brackets ("B4 (B♭4)"), since the
// German B confuses everyone else.
class CPitchName {
public:
    static std::string German(char cStep, int32_t nAlter, int32_t nOctave);
    static std::string International(char cStep, int32_t nAlter, int32_t nOctave);
    static std::string Both(char cStep, int32_t nAlter, int32_t nOctave);
};
