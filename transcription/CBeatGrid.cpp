#include "CBeatGrid.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "CPitchFrames.h"

namespace {
constexpr double kTwoPi = 6.283185307179586;
// Kantilo's own eighth: a quarter of a second.
constexpr double kKantiloEighth = 0.25;
// A rise of this many dB within a sounding stretch is an attack.
constexpr float kAttackRise = 6;
// The tempo is searched in the first minute's onsets; the rest only refines it.
constexpr double kSearchSeconds = 60;
// Fits this close to the best count as equally good.
constexpr double kFitTolerance = 0.01;

bool Voiced(const CPitchFrames& frames, size_t n) { return n < frames.Frames().size() && frames.IsVoiced(n); }

int KeyAt(const CPitchFrames& frames, size_t n) {
    return Voiced(frames, n) ? int(std::lround(frames.Frames()[n].fKey)) : -1;
}

// A key that holds for the three frames from n on.
bool KeyHolds(const CPitchFrames& frames, size_t n, int nKey) {
    return KeyAt(frames, n) == nKey && KeyAt(frames, n + 1) == nKey && KeyAt(frames, n + 2) == nKey;
}
}  // namespace

CBeatGrid::CBeatGrid(const CPitchFrames& frames, std::optional<double> quarters) {
    FindOnsets(frames);
    if (m_onsets.empty()) {
        return;
    }
    if (quarters && *quarters > 0) {
        m_fEighth = 30.0 / *quarters;
        FitOf(m_fEighth, &m_fPhase);
        return;
    }
    m_fEighth = FindEighth();
    FitOf(m_fEighth, &m_fPhase);
    Refine();
}

// A sound begins where a key starts to hold after silence or after another key, and where
// the level jumps while a key holds (a repeated note).
void CBeatGrid::FindOnsets(const CPitchFrames& frames) {
    const auto& all = frames.Frames();
    int nHeld = -1;
    size_t nLastOnset = 0;
    for (size_t n = 0; n < all.size(); ++n) {
        const int nKey = KeyAt(frames, n);
        bool bOnset = false;
        if (nKey >= 0 && nKey != nHeld && KeyHolds(frames, n, nKey)) {
            bOnset = true;
            nHeld = nKey;
        } else if (nKey < 0 && !Voiced(frames, n + 1) && !Voiced(frames, n + 2)) {
            nHeld = -1;
        }
        const bool bAttack = all[n].fRise >= kAttackRise && (n == 0 || all[n - 1].fRise < all[n].fRise) &&
                             (n + 1 >= all.size() || all[n + 1].fRise <= all[n].fRise) &&
                             (Voiced(frames, n + 3) || Voiced(frames, n + 5));
        // A key taking over right after an attack belongs to that attack.
        if ((bOnset || bAttack) && (m_onsets.empty() || n > nLastOnset + 5)) {
            m_onsets.push_back(double(n) * CPitchFrames::kFrameSeconds);
            nLastOnset = n;
        }
    }
}

// How well the onsets fall on a grid of this eighth (1 for all exactly on it), and the phase.
double CBeatGrid::FitOf(double fEighth, double* pPhase) const {
    std::complex<double> sum;
    size_t n = 0;
    for (const double t : m_onsets) {
        if (t > m_onsets.front() + kSearchSeconds && pPhase == nullptr) {
            break;
        }
        sum += std::polar(1.0, kTwoPi * t / fEighth);
        ++n;
    }
    if (pPhase != nullptr) {
        const double fTurn = std::arg(sum) / kTwoPi;
        *pPhase = fEighth * (fTurn - std::floor(fTurn));
    }
    return n == 0 ? 0 : std::abs(sum) / double(n);
}

// Steps fine enough that the grid drifts less than a tenth of an eighth over the searched
// stretch; the best fit, the nearest to Kantilo's eighth among equals.
double CBeatGrid::FindEighth() const {
    const double fSpan =
        std::max(1.0, std::min(kSearchSeconds, m_onsets.back() - m_onsets.front()));
    const double fShortest = 30.0 / kFastest;
    const double fLongest = 30.0 / kSlowest;
    const double fStep = 1.0 + 0.1 * fShortest / fSpan;
    std::vector<std::pair<double, double>> fits;
    double fBest = 0;
    for (double e = fShortest; e <= fLongest; e *= fStep) {
        fits.emplace_back(e, FitOf(e, nullptr));
        fBest = std::max(fBest, fits.back().second);
    }
    double fChosen = kKantiloEighth;
    double fDistance = INFINITY;
    for (const auto& [e, fit] : fits) {
        const double d = std::abs(std::log(e / kKantiloEighth));
        if (fit >= fBest - kFitTolerance && d < fDistance) {
            fChosen = e;
            fDistance = d;
        }
    }
    return fChosen;
}

// A least-squares line through the onsets and the eighths they fall on, twice.
void CBeatGrid::Refine() {
    for (int nPass = 0; nPass < 3; ++nPass) {
        double sk = 0, st = 0, skk = 0, skt = 0, n = 0;
        for (const double t : m_onsets) {
            const double k = std::round((t - m_fPhase) / m_fEighth);
            if (std::abs(t - m_fPhase - k * m_fEighth) > 0.25 * m_fEighth) {
                continue;
            }
            sk += k;
            st += t;
            skk += k * k;
            skt += k * t;
            n += 1;
        }
        const double fDenominator = n * skk - sk * sk;
        if (n < 3 || fDenominator <= 0) {
            return;
        }
        const double fEighth = (n * skt - sk * st) / fDenominator;
        if (!(fEighth > 0.5 * m_fEighth && fEighth < 2 * m_fEighth)) {
            return;
        }
        m_fEighth = fEighth;
        const double fPhase = (st - fEighth * sk) / n;
        m_fPhase = fPhase - m_fEighth * std::floor(fPhase / m_fEighth);
    }
}
