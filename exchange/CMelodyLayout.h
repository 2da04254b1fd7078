#pragma once

#include <memory>
#include <string>
#include <vector>

#include "CMeasureReader.h"

class CController;

// Lays a score's first voice, read measure by measure, into a Kantilo song: moved into C major
// and Kantilo's range, played in the order of its repeats and jumps, entered as clicks into
// 4/4 bars. Collects the reasons it cannot, and the notices on what it changed.
class CMelodyLayout {
public:
    CMelodyLayout(const CMeasureReader& reader, std::vector<CMeasureReader::SMeasure> measures);

    // Moves the melody into C and Kantilo's range; the notes that still do not fit are
    // Reasons().
    void Transpose();
    // The song, or none when longer than the longest score once played out. Call after
    // Transpose() found no reasons.
    std::unique_ptr<CController> Build();
    const std::vector<CMeasureReader::SReason>& Reasons() const { return m_reasons; }
    const std::vector<std::string>& Notices() const { return m_notices; }

private:
    void NameUnfitNotes(int nShift);
    void TellChanges(const std::vector<size_t>& order);
    bool IsPickup() const;
    void Enter(CController& controller, const std::vector<size_t>& order) const;

    const CMeasureReader& m_reader;
    std::vector<CMeasureReader::SMeasure> m_measures;
    int m_nShift = 0;
    std::vector<CMeasureReader::SReason> m_reasons;
    std::vector<std::string> m_notices;
};
