#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// Which frame of the recording each frame of a note plays: the running position goes up by
// the pitch step per frame in single precision, and the source frame follows it to the
// nearest (an exact half stays on the lower frame), never past the recording's end. The
// sequence depends on the step alone, so the sequences of the steps a song uses are worked
// out once and shared by all its notes, up to a budget; beyond it a note works its own out.
class CSourceSteps {
public:
    // nSourceFrames: the frame at which the recording is over; nBudget: how many source
    // frames may be kept for sharing.
    CSourceSteps(uint32_t nSourceFrames, std::size_t nBudget);

    // Starts a note stepping by fStep from the recording's first frame.
    void Start(float fStep);
    // The source frames of the note's next frames, at most nMax of them (nMax > 0): returns
    // how many, at least one, and points frames at them until the next call.
    uint32_t Next(uint32_t nMax, const uint32_t*& frames);

private:
    struct SCursor {
        float pos = 0;
        uint32_t frame = 0;
    };
    struct STrack {
        std::vector<uint32_t> frames;  // the shared start of the sequence
        SCursor end;                   // where it continues
    };

    void Advance(SCursor& cursor, uint32_t* out, uint32_t n) const;
    void Extend(STrack& track, std::size_t nFrames);

    uint32_t m_nSourceFrames;
    std::size_t m_nBudget;
    std::unordered_map<uint32_t, STrack> m_tracks;  // by the bits of the step
    float m_fStep = 0;
    STrack* m_pTrack = nullptr;  // while the note is in the shared part
    std::size_t m_nAt = 0;       // the note's frames handed out so far
    SCursor m_own;               // past the shared part
    std::vector<uint32_t> m_scratch;
};
