#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CScalePitch.h"
#include "CTakt.h"

namespace pugi {
class xml_node;
}

// Reads the measures of a MusicXML part one after the other: the first voice's notes, rests
// and forward gaps, checked against what a Kantilo song can hold. The divisions, the voice
// and an open tie carry over from one measure to the next.
class CMeasureReader {
public:
    static constexpr int32_t kBarEighths = CTakt::kCapacity;

    struct SEvent {
        int32_t nEighths = 0;
        std::optional<CScalePitch> pitch;  // none for a rest that names no height
        bool bRest = false;
        bool bTieFromPrev = false;
        bool bTieToNext = false;
    };

    // Appends the measure's events; returns the German refusal naming measure nMeasure.
    std::optional<std::string> Read(const pugi::xml_node& measure, size_t nMeasure,
                                    std::vector<SEvent>& events);

private:
    std::optional<std::string> ReadAttributes(const pugi::xml_node& attributes);
    std::optional<std::string> ReadNote(const pugi::xml_node& note, std::vector<SEvent>& events);
    std::optional<std::string> ReadPitch(const pugi::xml_node& note, SEvent& event) const;
    std::optional<std::string> ReadLength(const pugi::xml_node& element, SEvent& event) const;
    bool IsOurVoice(const pugi::xml_node& element);
    std::string InMeasure(const std::string& strReason) const;

    int64_t m_nDivisions = 1;
    std::optional<std::string> m_strVoice;
    bool m_bTieOpen = false;
    size_t m_nMeasure = 0;
};
