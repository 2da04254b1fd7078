#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CNotenblatt;

// A sheet as it sounds, in the terms notation and sequencers use. The sampler plays a tie
// chain as one note at the pitch of the chain's last part, whatever the parts are (a rest
// tied into a chain sounds too); a rest outside a chain is silence. The score keeps Kantilo's
// bars and parts but gives every part of a chain that pitch and the ties that join it, and
// drops tie flags that join nothing.
class CScoreNotes {
public:
    struct SPart {
        int32_t nEighths = 0;
        uint16_t nHz = 0;  // for a rest, the height it was entered at
        bool bRest = false;
        bool bTieStart = false;
        bool bTieStop = false;
    };
    // One sounding note: onset and length in eighths from the start of the song.
    struct SSound {
        int64_t nOnset = 0;
        int64_t nLength = 0;
        uint16_t nHz = 0;
        bool operator==(const SSound&) const = default;
    };

    explicit CScoreNotes(const CNotenblatt& sheet);

    // Kantilo's bars in order, each with its parts; the last bar may be short.
    const std::vector<std::vector<SPart>>& Bars() const { return m_bars; }
    // The notes the sampler plays, in order; rests leave gaps.
    std::vector<SSound> Sounds() const;
    // The length of the song in eighths, trailing rests included.
    int64_t Length() const;

private:
    void CloseChain(size_t nFirstBar, size_t nFirstPart);

    std::vector<std::vector<SPart>> m_bars;
};
