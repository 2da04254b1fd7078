#pragma once

#include <aubio/aubio.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CRecording;

// The magnitude spectrum of a recording around any sample, and the partials that stand out in
// it: over its median by a wide margin, and not far below its loudest partial.
class COvertones {
public:
    // Partials this many cents apart are the same.
    static constexpr double kSameCents = 30;

    explicit COvertones(const CRecording& recording);
    // Reads the spectrum of the window around sample nMiddle; false where the window does not
    // fit into the recording.
    bool Read(size_t nMiddle);
    // Cents from the strongest partial below the one at fHz up to it, or -1 where none stands
    // out.
    double CentsBelow(double fHz) const;
    // Cents from fHz up to the loudest partial above its octave, or -1 where none stands out.
    double CentsAbove(double fHz) const;
    // The key whose partial fRatio above sounds with it: of the pairs that stand out, the lowest
    // about as strong as the strongest; -1 where no pair stands out.
    double PairedKey(double fRatio) const;
    // Whether the partial at fKey still stands out, where its strike partial has died away.
    bool Holds(double fKey) const;

private:
    double Refined(size_t k) const;
    bool IsPeak(size_t k) const { return m_norm[k] >= m_norm[k - 1] && m_norm[k] >= m_norm[k + 1]; }
    size_t Bin(double fHz) const { return size_t(std::lround(fHz / m_fBinHz)); }

    std::span<const float> m_samples;
    std::span<const float> m_norm;
    std::vector<float> m_sorted;
    double m_fFloor = 0;
    double m_fBinHz = 0;
    uint32_t m_nWindow = 256;
    std::vector<float> m_hann;
    struct SDeleter {
        void operator()(aubio_fft_t* p) const { del_aubio_fft(p); }
        void operator()(fvec_t* p) const { del_fvec(p); }
    };

    std::unique_ptr<aubio_fft_t, SDeleter> m_pFft;
    std::unique_ptr<fvec_t, SDeleter> m_pIn;
    std::unique_ptr<fvec_t, SDeleter> m_pOut;
    std::vector<float> m_magnitudes;
};
