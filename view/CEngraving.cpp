#include "CEngraving.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "CGlyphPainter.h"
#include "CNote.h"
#include "CNotenblatt.h"

namespace {

using Kind = CGlyphPainter::SSymbol::Kind;

// A doubling of a note's length adds kSpacePerDoubling to the eighth's space.
constexpr qreal kEighthSpace = 17.0;
constexpr qreal kSpacePerDoubling = 7.5;
// Room between a bar line (or the clef) and the bar's first note.
constexpr qreal kBarPadding = 9.0;
// The last row is justified only when its natural width fills this share of the row.
constexpr qreal kJustifiedLastRow = 0.75;
constexpr int32_t kEighthsPerBar = 8;
constexpr int32_t kEighthsPerHalfBar = 4;
// Ties keep this distance from the heads they join, and sit this far from the head's centre.
constexpr qreal kTieGap = 1.5;
constexpr qreal kTieOffset = 4.5;
// A tie continued on a new row starts this far before the note it reaches.
constexpr qreal kContinuedTie = 10.0;

bool Beamable(const CEngraving::SNote& note) {
    return note.bShown && !note.bRest && note.nLength == 1;
}

}  // namespace

qreal CEngraving::SNote::HeadRight() const {
    return x + CGlyphPainter::HeadWidth(nLength);
}

qreal CEngraving::NaturalSpace(int32_t length) {
    return kEighthSpace + kSpacePerDoubling * std::log2(std::max<int32_t>(length, 1));
}

CEngraving::CEngraving(const CNotenblatt& sheet, qreal rowWidth) : m_rowWidth(rowWidth) {
    Collect(sheet);
    BreakRows();
    PlaceTies();
    m_notes = {};
    m_barStarts = {};
}

void CEngraving::Collect(const CNotenblatt& sheet) {
    int32_t bar = -1;
    int32_t onset = 0;
    for (const CSheetWalk::SStep& step : sheet.Notes()) {
        if (bar < 0 || step.bNewBar) {
            ++bar;
            onset = 0;
            m_barStarts.push_back(m_notes.size());
        }
        const SNoteInfo info = step.note.Info();
        int32_t width = 0;
        const CGlyphPainter::SSymbol symbol = CGlyphPainter::Decode(step.note.GetBitmap(width));
        SNote note;
        note.nBar = bar;
        note.nOnset = onset;
        note.nLength = symbol.kind == Kind::other ? info.nDuration : symbol.length;
        note.bRest = symbol.kind == Kind::rest;
        note.bShown = symbol.kind != Kind::other;
        note.nPitchIndex = symbol.pitchIndex;
        note.bTieToNext = info.bTieToNext && symbol.kind == Kind::note;
        if (symbol.kind == Kind::note) {
            note.headY = CGlyphPainter::HeadY(symbol.pitchIndex);
            note.bStemUp = CGlyphPainter::StemUpAlone(symbol.pitchIndex);
        }
        m_notes.push_back(note);
        onset += info.nDuration;
    }
    m_barStarts.push_back(m_notes.size());
}

qreal CEngraving::BarSprings(size_t bar) const {
    qreal springs = 0.0;
    for (size_t i = m_barStarts[bar]; i < m_barStarts[bar + 1]; ++i) {
        springs += NaturalSpace(m_notes[i].nLength);
    }
    return springs;
}

void CEngraving::BreakRows() {
    const size_t barCount = m_barStarts.size() - 1;
    if (barCount == 0) {
        SRow& row = m_rows.emplace_back();
        row.bTimeSignature = true;
        row.staffEnd = m_rowWidth;
        return;
    }
    size_t first = 0;
    while (first < barCount) {
        const qreal room = m_rowWidth - CGlyphPainter::ClefWidth(m_rows.empty());
        qreal used = 0.0;
        size_t end = first;
        // Whole bars at natural spacing; a bar wider than the row stands alone.
        while (end < barCount && (end == first || used + kBarPadding + BarSprings(end) <= room)) {
            used += kBarPadding + BarSprings(end);
            ++end;
        }
        PlaceRow(first, end, end == barCount);
        first = end;
    }
}

void CEngraving::PlaceRow(size_t firstBar, size_t endBar, bool bLastRow) {
    SRow& row = m_rows.emplace_back();
    row.bTimeSignature = m_rows.size() == 1;
    const qreal start = CGlyphPainter::ClefWidth(row.bTimeSignature);
    qreal springs = 0.0;
    for (size_t bar = firstBar; bar < endBar; ++bar) {
        springs += BarSprings(bar);
    }
    const qreal padding = kBarPadding * static_cast<qreal>(endBar - firstBar);
    const qreal natural = start + padding + springs;
    qreal stretch = (m_rowWidth - start - padding) / springs;
    if (bLastRow && natural < kJustifiedLastRow * m_rowWidth) {
        stretch = 1.0;
    }
    qreal x = start;
    for (size_t bar = firstBar; bar < endBar; ++bar) {
        SBar placed;
        placed.nIndex = static_cast<int32_t>(bar);
        placed.nFirstNote = row.notes.size();
        x += kBarPadding;
        for (size_t i = m_barStarts[bar]; i < m_barStarts[bar + 1]; ++i) {
            SNote note = m_notes[i];
            note.x = x;
            note.stemTipY = note.headY + (note.bStemUp ? -1.0 : 1.0) *
                                             CGlyphPainter::StemLength(note.nLength == 1);
            note.bFlag = Beamable(note);
            row.notes.push_back(note);
            x += NaturalSpace(note.nLength) * stretch;
        }
        placed.nNoteCount = row.notes.size() - placed.nFirstNote;
        placed.xEnd = x;
        placed.bFinal = bLastRow && bar + 1 == endBar;
        PlaceBeams(row, placed);
        row.bars.push_back(placed);
    }
    row.staffEnd = x;
}

// Eighths share a beam within a beat; four that fill half a bar share one. A beam never
// crosses the middle of the bar, and anything but a shown eighth note breaks it.
void CEngraving::PlaceBeams(SRow& row, const SBar& bar) const {
    std::vector<int32_t> at(kEighthsPerBar, -1);  // row note index by onset, eighths only
    for (size_t i = bar.nFirstNote; i < bar.nFirstNote + bar.nNoteCount; ++i) {
        const SNote& note = row.notes[i];
        if (Beamable(note) && note.nOnset >= 0 && note.nOnset < kEighthsPerBar) {
            at[static_cast<size_t>(note.nOnset)] = static_cast<int32_t>(i);
        }
    }
    const auto all = [&at](int32_t from, int32_t count) {
        return std::all_of(at.begin() + from, at.begin() + from + count,
                           [](int32_t i) { return i >= 0; });
    };
    for (int32_t half = 0; half < kEighthsPerBar; half += kEighthsPerHalfBar) {
        if (all(half, kEighthsPerHalfBar)) {
            AddBeam(row, static_cast<size_t>(at[half]),
                    static_cast<size_t>(at[half + kEighthsPerHalfBar - 1]));
            continue;
        }
        for (int32_t beat = half; beat < half + kEighthsPerHalfBar; beat += 2) {
            if (all(beat, 2)) {
                AddBeam(row, static_cast<size_t>(at[beat]), static_cast<size_t>(at[beat + 1]));
            }
        }
    }
}

// One stem direction for the group, set by the note farthest from the middle line (down when
// one above and one below are equally far); the beam slants with the outer notes, at most
// a staff space, and leaves every stem at least its normal length.
void CEngraving::AddBeam(SRow& row, size_t first, size_t last) const {
    int32_t farthest = -1;
    bool above = false;
    for (size_t i = first; i <= last; ++i) {
        const int32_t steps = CGlyphPainter::StepsAboveMiddle(row.notes[i].nPitchIndex);
        if (std::abs(steps) > farthest) {
            above = steps >= 0;
        } else if (std::abs(steps) == farthest) {
            above = above || steps >= 0;
        }
        farthest = std::max(farthest, std::abs(steps));
    }
    SBeam beam;
    beam.nFirstNote = first;
    beam.nLastNote = last;
    beam.bStemUp = !above;
    const qreal stemShift = beam.bStemUp ? CGlyphPainter::HeadWidth(1) - 1.0 : 0.0;
    beam.x1 = row.notes[first].x + stemShift;
    beam.x2 = row.notes[last].x + stemShift + 1.0;
    const qreal space = CGlyphPainter::StaffSpace();
    const qreal rise =
        std::clamp((row.notes[last].headY - row.notes[first].headY) / 2.0, -space, space);
    const qreal length = CGlyphPainter::StemLength(false) * (beam.bStemUp ? -1.0 : 1.0);
    const auto offset = [&](const SNote& note) {
        return rise * (note.x - row.notes[first].x) / (beam.x2 - beam.x1);
    };
    qreal y1 = row.notes[first].headY + length;
    for (size_t i = first; i <= last; ++i) {
        const qreal needed = row.notes[i].headY + length - offset(row.notes[i]);
        y1 = beam.bStemUp ? std::min(y1, needed) : std::max(y1, needed);
    }
    beam.y1 = y1;
    beam.y2 = y1 + rise * (beam.x2 - beam.x1) / (beam.x2 - beam.x1);
    const auto index = static_cast<int32_t>(row.beams.size());
    for (size_t i = first; i <= last; ++i) {
        SNote& note = row.notes[i];
        note.bStemUp = beam.bStemUp;
        note.bFlag = false;
        note.nBeam = index;
        note.stemTipY = y1 + offset(note);
    }
    row.beams.push_back(beam);
}

// Ties from head to head on the side away from the first note's stem; one that crosses a row
// break runs to the row's end and starts again just before its note on the next row.
void CEngraving::PlaceTies() {
    for (size_t r = 0; r < m_rows.size(); ++r) {
        SRow& row = m_rows[r];
        for (size_t i = 0; i < row.notes.size(); ++i) {
            const SNote& from = row.notes[i];
            if (!from.bTieToNext) {
                continue;
            }
            STie tie;
            tie.nFromNote = static_cast<int32_t>(i);
            tie.bBelow = from.bStemUp;
            tie.fromX = from.HeadRight() + kTieGap;
            tie.y = from.headY + (tie.bBelow ? kTieOffset : -kTieOffset);
            const SNote* pTo = i + 1 < row.notes.size() ? &row.notes[i + 1] : nullptr;
            if (pTo != nullptr && pTo->bShown && !pTo->bRest) {
                tie.nToNote = static_cast<int32_t>(i + 1);
                tie.toX = pTo->x - kTieGap;
                row.ties.push_back(tie);
                continue;
            }
            if (pTo != nullptr || r + 1 == m_rows.size()) {
                continue;  // a rest, a gap or nothing follows
            }
            SRow& next = m_rows[r + 1];
            const SNote& to = next.notes.front();
            if (!to.bShown || to.bRest) {
                continue;
            }
            tie.toX = row.staffEnd - kTieGap;
            row.ties.push_back(tie);
            STie rest = tie;
            rest.nFromNote = -1;
            rest.nToNote = 0;
            rest.fromX = to.x - kContinuedTie;
            rest.toX = to.x - kTieGap;
            rest.y = to.headY + (tie.bBelow ? kTieOffset : -kTieOffset);
            next.ties.push_back(rest);
        }
    }
}
