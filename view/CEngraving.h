#pragma once

#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <vector>

class CNotenblatt;

// The song as printed music, laid out for the pages independently of the screen: rows that
// break only at bar lines, as many whole bars on each as fit at natural spacing and the row
// justified to its width (a bar longer than a row alone on it, compressed), the last row at
// natural width unless it is three quarters full; the clef on every row, 4/4 on the first;
// eighths beamed by beat, ties from head to head. Coordinates are a row's, in the screen's
// pixels, with the staff where a glyph has it; drawing is the pages' business.
class CEngraving {
public:
    struct SNote {
        int32_t nBar = 0;     // the bar's index in the song
        int32_t nOnset = 0;   // eighths from the bar's start
        int32_t nLength = 0;  // eighths
        int32_t nPitchIndex = -1;
        bool bRest = false;
        bool bShown = true;  // false for a glyph without a picture: a gap
        qreal x = 0.0;       // the head's left edge; a rest is centred on the head's place
        qreal headY = 0.0;
        bool bStemUp = true;
        qreal stemTipY = 0.0;  // the head's y for a whole note
        bool bFlag = false;
        bool bTieToNext = false;  // tied to the next note of the song
        int32_t nBeam = -1;       // index into the row's beams
        qreal HeadRight() const;
    };
    struct SBar {
        int32_t nIndex = 0;
        size_t nFirstNote = 0;  // into the row's notes
        size_t nNoteCount = 0;
        qreal xEnd = 0.0;  // where its bar line ends
        bool bFinal = false;
    };
    // A tie, or the half of one on this row when it crosses a row break (the other end -1).
    struct STie {
        int32_t nFromNote = -1;
        int32_t nToNote = -1;
        qreal fromX = 0.0;
        qreal toX = 0.0;
        qreal y = 0.0;
        bool bBelow = true;
    };
    struct SBeam {
        size_t nFirstNote = 0;
        size_t nLastNote = 0;
        bool bStemUp = true;
        qreal x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;  // the stem-side edge
    };
    struct SRow {
        std::vector<SNote> notes;
        std::vector<SBar> bars;
        std::vector<STie> ties;
        std::vector<SBeam> beams;
        bool bTimeSignature = false;
        qreal staffEnd = 0.0;
    };

    // Natural width of a note of length eighths: a doubling of the length adds a fixed amount.
    static qreal NaturalSpace(int32_t length);

    CEngraving(const CNotenblatt& sheet, qreal rowWidth);
    const std::vector<SRow>& Rows() const { return m_rows; }
    qreal RowWidth() const { return m_rowWidth; }

private:
    void Collect(const CNotenblatt& sheet);
    void BreakRows();
    void PlaceRow(size_t firstBar, size_t endBar, bool bLastRow);
    void PlaceBeams(SRow& row, const SBar& bar) const;
    void AddBeam(SRow& row, size_t first, size_t last) const;
    void PlaceTies();
    qreal BarSprings(size_t bar) const;

    qreal m_rowWidth;
    // The song's notes before they have places, and where each bar starts among them.
    std::vector<SNote> m_notes;
    std::vector<size_t> m_barStarts;
    std::vector<SRow> m_rows;
};
