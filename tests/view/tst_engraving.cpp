// The printed pages' layout checked on the engraving itself: which notes share a beam, where
// ties run.

#include <QtTest>
#include <cmath>
#include <optional>

#include "CEngraving.h"
#include "CGlyphPainter.h"
#include "CScorePages.h"
#include "SheetProbe.h"
#include "ViewTestKit.h"

using SRow = CEngraving::SRow;
using SNote = CEngraving::SNote;

class TestEngraving : public QObject {
    Q_OBJECT

private slots:
    // Ties across bar lines and row breaks: each tie runs from just after its first head to
    // just before the next one, on the side away from the stem; at a row break the first
    // half runs to the row's end and the second starts before the note on the next row.
    void tiesRunFromHeadToHead() {
        CKantiloDoc doc;
        Enter(doc, "F4/2");
        for (int i = 0; i < 60; ++i) {
            Enter(doc, "E5/4");  // every second half crosses a bar line and is split
        }
        Enter(doc, "D4/2 D4/2+ F5/4 F5/4+");
        const CEngraving score(doc.GetSheet(), CScorePages::kRowWidth);
        int tied = 0, ties = 0, breaks = 0;
        for (size_t r = 0; r < score.Rows().size(); ++r) {
            const SRow& row = score.Rows()[r];
            for (const SNote& note : row.notes) {
                tied += note.bTieToNext ? 1 : 0;
            }
            for (const CEngraving::STie& tie : row.ties) {
                const SNote& end =
                    row.notes[static_cast<size_t>(std::max(tie.nFromNote, tie.nToNote))];
                QCOMPARE(tie.y > end.headY, tie.bBelow);
                QVERIFY(std::abs(tie.y - end.headY) < CGlyphPainter::StaffSpace());
                QVERIFY(tie.fromX < tie.toX);
                if (tie.nFromNote >= 0) {
                    const SNote& from = row.notes[static_cast<size_t>(tie.nFromNote)];
                    QVERIFY(from.bTieToNext);
                    QCOMPARE(tie.bBelow, from.bStemUp);
                    QVERIFY(tie.fromX > from.HeadRight() && tie.fromX < from.HeadRight() + 3);
                }
                if (tie.nToNote >= 0) {
                    const SNote& to = row.notes[static_cast<size_t>(tie.nToNote)];
                    QVERIFY(tie.toX < to.x && tie.toX > to.x - 3);
                    QCOMPARE(tie.nFromNote < 0 ? 0 : tie.nFromNote + 1, tie.nToNote);
                    ties += tie.nFromNote >= 0 ? 1 : 0;
                } else {
                    QVERIFY(std::abs(tie.toX - row.staffEnd) < 3);
                    const CEngraving::STie& next = score.Rows()[r + 1].ties.front();
                    QCOMPARE(std::pair(next.nFromNote, next.nToNote), std::pair(-1, 0));
                    QCOMPARE(next.bBelow, tie.bBelow);
                    ++ties;
                    ++breaks;
                }
            }
        }
        int entered = 0;  // ties the song holds between two notes
        std::optional<SNoteInfo> previous;
        for (const auto& step : doc.GetSheet().Notes()) {
            entered += previous && previous->bTieToNext && !step.note.Info().bRest ? 1 : 0;
            previous = step.note.Info();
        }
        QCOMPARE(tied, entered);
        QCOMPARE(ties, tied);
        QVERIFY(tied > 30);
        QVERIFY(breaks >= 2);
    }

    // Eighths share a beam within a beat, four filling half a bar share one; never across the
    // middle of the bar; rests and longer notes break beams; lone eighths keep their flags.
    // Each stem ends on its beam, all pointing the way the note farthest from the middle
    // line asks (down when one above and one below are equally far).
    void eighthsAreBeamedByBeat() {
        CKantiloDoc doc;
        Enter(doc, "C4/1 A5/1 D4/1 G5/1 E4/1 E5/1 A4/1 F4/1");  // two halves of four
        Enter(doc, "C4/1 E5/1 A4/11 G4/1 G4/2 C4/1 E4/1");      // a pair, a lone eighth, a pair
        Enter(doc, "G4/1 A4/2 B4/1 F4/1 G4/1 G4/2");            // lone, lone, pair
        Enter(doc, "A4/2 F4/1 G4/1 E5/1 B4/1 A4/2");            // two pairs, not across the middle
        std::vector<std::vector<int32_t>> groups;
        std::vector<bool> stemsUp;
        const CEngraving score(doc.GetSheet(), CScorePages::kRowWidth);
        for (const SRow& row : score.Rows()) {
            for (const SNote& note : row.notes) {
                QCOMPARE(note.bFlag, !note.bRest && note.nLength == 1 && note.nBeam < 0);
            }
            for (const CEngraving::SBeam& beam : row.beams) {
                QVERIFY(std::abs(beam.y2 - beam.y1) <= CGlyphPainter::StaffSpace());
                groups.emplace_back();
                stemsUp.push_back(beam.bStemUp);
                for (size_t i = beam.nFirstNote; i <= beam.nLastNote; ++i) {
                    const SNote& note = row.notes[i];
                    QCOMPARE(note.nBeam, int32_t(&beam - row.beams.data()));
                    groups.back().push_back(note.nBar * 8 + note.nOnset);
                    const qreal t = (note.x - row.notes[beam.nFirstNote].x) / (beam.x2 - beam.x1);
                    QVERIFY(std::abs(note.stemTipY - (beam.y1 + t * (beam.y2 - beam.y1))) < 0.5);
                    QCOMPARE(note.bStemUp, beam.bStemUp);
                    QVERIFY(std::abs(note.stemTipY - note.headY) >=
                            CGlyphPainter::StemLength(false) - 1e-6);
                }
            }
        }
        const std::vector<std::vector<int32_t>> expected{
            {0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9}, {14, 15}, {20, 21}, {26, 27}, {28, 29}};
        QCOMPARE(groups, expected);
        QCOMPARE(stemsUp, std::vector<bool>({false, true, true, true, true, true, false}));
    }
};

QTEST_MAIN(TestEngraving)
#include "tst_engraving.moc"
