#pragma once

#include <complex>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class CPitchFrames;

// The grid of eighths a melody was played on: where its notes begin (attacks, a pitch taking
// over, a sound after silence), the eighth that explains them best and the phase of the grid.
// Tempi are looked for between kSlowest and kFastest quarters per minute; of two grids that
// explain the onsets about equally well, the coarser wins when its eighth is twice the other's
// (the finer one splits every note in two).
class CBeatGrid {
public:
    static constexpr double kSlowest = 70;
    static constexpr double kFastest = 170;

    // With nQuarters set, the tempo is given and only the phase is looked for.
    CBeatGrid(const CPitchFrames& frames, std::optional<double> quarters);

    // The same onsets on a grid of the given tempo: the onsets depend on the frames alone.
    CBeatGrid AtTempo(double fQuarters) const;

    bool HasGrid() const { return m_fEighth > 0; }
    double Eighth() const { return m_fEighth; }  // seconds
    double Phase() const { return m_fPhase; }    // seconds; a grid line, within [0, Eighth)
    // Seconds at which eighth nEighth of the notes begins: the first begins at the grid line
    // nearest the recording's start (which may lie a little before it).
    double EighthStart(int64_t nEighth) const {
        return m_fPhase - (m_fPhase > 0.5 * m_fEighth ? m_fEighth : 0) +
               double(nEighth) * m_fEighth;
    }
    double Quarters() const { return 30.0 / m_fEighth; }
    // The (weighted) share of the onsets that fall on this grid's lines.
    double Share() const;
    // Onset times in seconds, in order: a slow attack's from where its partials began to rise
    // (CKeyRise); these find the tempo, the tracker's later onsets the grid's lines.
    const std::vector<double>& Onsets() const { return m_onsets; }

private:
    void FindOnsets(const CPitchFrames& frames);
    double FindEighth() const;
    void FitAll(std::vector<std::pair<double, double>>& fits) const;
    std::vector<std::complex<double>> TurnsOf(double fEighth) const;
    double PhaseTurn(const std::vector<std::complex<double>>& turns) const;
    double InlierShare(double fEighth, double* pPhase) const;
    void Refine();
    void PhaseOfHeard();

    std::vector<double> m_onsets;
    // The same onsets where the tracker heard each key that took over begin (CKeyRise found
    // it earlier in m_onsets).
    std::vector<double> m_heard;
    // How sure each onset is (0 to 1): how much it counts when the grid is looked for.
    std::vector<double> m_weights;
    double m_fEighth = 0;
    double m_fPhase = 0;
};
