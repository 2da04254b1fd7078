#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QtTest>
#include <memory>
#include <vector>

#include "CGlyphLibrary.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CNote.h"
#include "CScoreLayout.h"

namespace {

struct Note {
    int32_t pitch;
    int32_t duration;
    int32_t tieTo;
    int32_t tieFrom;
    bool operator==(const Note&) const = default;
};

std::vector<Note> Notes(CKantiloDoc& doc) {
    std::vector<Note> notes;
    int32_t bNewBar = 0;
    for (CNote* note = doc.GetFirstNote(); note != nullptr; note = doc.GetNextNote(bNewBar)) {
        int32_t duration = 0, rest = 0, tieTo = 0, tieFrom = 0;
        uint16_t pitch = 0;
        note->GetInfo(duration, pitch, rest, tieTo, tieFrom);
        notes.push_back(Note{pitch, duration, tieTo, tieFrom});
    }
    return notes;
}

using Glyph = CScoreLayout::CGlyph;

// One row: clef, glyphs, the filler where room is left, the row end.
std::vector<Glyph> ExpectedLayout(const std::vector<std::vector<Glyph>>& rows) {
    std::vector<Glyph> all;
    for (const auto& row : rows) {
        all.insert(all.end(), row.begin(), row.end());
    }
    return all;
}

std::vector<Glyph> TenWholeNotesRow(int y) {
    std::vector<Glyph> row{{4800, 10, y, 58}};
    for (int k = 0; k < 10; ++k) {
        row.push_back({4118, 68 + 58 * k, y, 29});
        if (k < 9) {
            row.push_back({4810, 97 + 58 * k, y, 29});
        }
    }
    row.push_back({4820, 616, y, 14});
    return row;
}

QImage Picture(const std::vector<Glyph>& glyphs, QSize size, QPoint scroll) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const Glyph& glyph : glyphs) {
        painter.drawPixmap(QRect(glyph.x - scroll.x(), glyph.y - scroll.y(), glyph.width, 57),
                           CGlyphLibrary::Pixmap(glyph.number, 1.0));
    }
    return image;
}

QImage Grab(CKantiloView& view) {
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void SendPress(QWidget* target, QPoint pos, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers) {
    QMouseEvent press(QEvent::MouseButtonPress, pos, target->mapToGlobal(pos), Qt::LeftButton,
                      buttons, modifiers);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, target->mapToGlobal(pos), Qt::LeftButton,
                        buttons & ~Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &release);
}

}  // namespace

bool operator==(const Glyph& a, const Glyph& b) {
    return a.number == b.number && a.x == b.x && a.y == b.y && a.width == b.width;
}

namespace QTest {
template <>
char* toString(const Glyph& g) {
    return qstrdup(QByteArray::number(g.number) + "@" + QByteArray::number(g.x) + "," +
                   QByteArray::number(g.y) + "w" + QByteArray::number(g.width));
}
}  // namespace QTest

class TestScoreView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CKantiloDoc> m_doc;
    std::unique_ptr<CKantiloView> m_view;

    void Click(int x, int y, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, modifiers, QPoint(x, y));
    }
    void ExpectLayout(const std::vector<Glyph>& expected) {
        const CScoreLayout layout(*m_doc);
        QCOMPARE(layout.Glyphs().size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(layout.Glyphs()[i], expected[i]);
        }
        QCOMPARE(Grab(*m_view),
                 Picture(expected, m_view->viewport()->size(), m_view->ScrollPosition()));
    }

private slots:
    void init() {
        m_doc = std::make_unique<CKantiloDoc>();
        m_view = std::make_unique<CKantiloView>(*m_doc);
        m_view->resize(m_view->sizeHint());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void cleanup() {
        m_view.reset();
        m_doc.reset();
    }

    void startsWithHalfNoteAndSheetOf650x480() {
        QCOMPARE(m_view->Tool(), 4);
        QCOMPARE(m_view->viewport()->size(), QSize(650, 480));
        QCOMPARE(m_view->ScrollExtent(), QSize(650, 1200));
        QCOMPARE(m_view->verticalScrollBar()->singleStep(), 12);
        QCOMPARE(m_view->verticalScrollBar()->pageStep(), 120);
        QCOMPARE(m_view->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(m_view->verticalScrollBar()->maximum(), 1200 - 480);
    }

    void clickHeightChoosesPitch_data() {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("pitch");
        QTest::newRow("A4 in the second space") << 31 << 440;
        QTest::newRow("second row, same band") << 106 << 440;
        QTest::newRow("r=5 above the bands") << 5 << 0;
        QTest::newRow("r=6 A5") << 6 << 880;
        QTest::newRow("r=8 A5") << 8 << 880;
        QTest::newRow("r=9 G5") << 9 << 792;
        QTest::newRow("r=50 C4") << 50 << 264;
        QTest::newRow("r=51 below the bands") << 51 << 0;
        QTest::newRow("r=57 gap between rows") << 57 << 0;
        QTest::newRow("r=74 gap between rows") << 74 << 0;
    }
    void clickHeightChoosesPitch() {
        QFETCH(int, y);
        QFETCH(int, pitch);
        Click(300, y);
        QVERIFY(m_doc->IsModified());
        const std::vector<Note> expected =
            pitch == 0 ? std::vector<Note>{} : std::vector<Note>{{pitch, 4, 0, 0}};
        QVERIFY(Notes(*m_doc) == expected);
    }

    void horizontalPositionDoesNotMatter() {
        Click(5, 31);
        Click(600, 31);
        QVERIFY((Notes(*m_doc) == std::vector<Note>{{440, 4, 0, 0}, {440, 4, 0, 0}}));
    }

    void shiftClickOnSamePitchTies() {
        Click(200, 31);
        Click(200, 31, Qt::ShiftModifier);
        QVERIFY((Notes(*m_doc) == std::vector<Note>{{440, 4, 1, 0}, {440, 4, 0, 1}}));
    }

    void shiftWithOtherKeysOrButtonsDoesNotTie() {
        Click(200, 31);
        Click(200, 31, Qt::ShiftModifier | Qt::ControlModifier);
        SendPress(m_view->viewport(), QPoint(200, 31), Qt::LeftButton | Qt::RightButton,
                  Qt::ShiftModifier);
        Click(200, 31, Qt::ShiftModifier | Qt::AltModifier);
        QVERIFY(
            (Notes(*m_doc) ==
             std::vector<Note>{{440, 4, 0, 0}, {440, 4, 0, 0}, {440, 4, 0, 0}, {440, 4, 0, 0}}));
    }

    void otherButtonsAddNothing() {
        QTest::mouseClick(m_view->viewport(), Qt::RightButton, {}, QPoint(200, 31));
        QTest::mouseClick(m_view->viewport(), Qt::MiddleButton, {}, QPoint(200, 31));
        QVERIFY(Notes(*m_doc).empty());
        QVERIFY(!m_doc->IsModified());
    }

    void clickCountsTheScrollPosition() {
        m_view->verticalScrollBar()->setValue(120);
        Click(200, 31);  // sheet y 151: r = 1
        QVERIFY(m_doc->IsModified());
        QVERIFY(Notes(*m_doc).empty());
        Click(200, 61);  // sheet y 181: r = 31
        QVERIFY((Notes(*m_doc) == std::vector<Note>{{440, 4, 0, 0}}));
    }

    void doubleClickAddsOneNote() {
        // Through the window system, as a user's double-click arrives: press, release,
        // double-click, release.
        const QPoint inWindow = m_view->viewport()->mapTo(m_view.get(), QPoint(200, 31));
        QTest::mouseDClick(m_view->windowHandle(), Qt::LeftButton, {}, inWindow);
        QCOMPARE(Notes(*m_doc).size(), size_t(1));
        // A double-click event on its own adds nothing either.
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, QPoint(200, 31));
        QCOMPARE(Notes(*m_doc).size(), size_t(1));
        Click(200, 31);
        Click(200, 31);
        QCOMPARE(Notes(*m_doc).size(), size_t(3));
    }

    void deleteOnEmptySongMarksModified() {
        m_view->OnLoeschen();
        QVERIFY(m_doc->IsModified());
        QVERIFY(Notes(*m_doc).empty());
        ExpectLayout({{4800, 10, 0, 58}, {4880, 68, 0, 548}, {4820, 616, 0, 14}});
    }

    void toolDecidesLengthAndRest() {
        m_view->SetTool(1);
        Click(200, 31);
        m_view->SetTool(18);
        Click(200, 45);
        // The whole rest is split: 4 + 2 + 1 eighths fill the bar, 1 opens the next.
        const std::vector<Note> notes = Notes(*m_doc);
        QCOMPARE(notes.size(), size_t(5));
        QCOMPARE(notes[0].duration, 1);
        QCOMPARE(notes[1].duration, 4);
        QCOMPARE(notes[4].duration, 1);
        int32_t width = 0;
        CNote* note = m_doc->GetFirstNote();
        QCOMPARE(note->GetBitmap(width), 4111);
        int32_t bNewBar = 0;
        QCOMPARE(m_doc->GetNextNote(bNewBar)->GetBitmap(width), 6104);
    }

    void paintsEmptySong() {
        ExpectLayout({{4800, 10, 0, 58}, {4880, 68, 0, 548}, {4820, 616, 0, 14}});
    }

    void paintsBarLineAfterFullBar() {
        m_view->SetTool(1);
        for (int i = 0; i < 9; ++i) {
            Click(200, 31);
        }
        std::vector<Glyph> row{{4800, 10, 0, 58}};
        for (int k = 0; k < 8; ++k) {
            row.push_back({4111, 68 + 29 * k, 0, 29});
        }
        row.push_back({4810, 300, 0, 29});
        row.push_back({4111, 329, 0, 29});
        row.push_back({4880, 358, 0, 616 - 358});
        row.push_back({4820, 616, 0, 14});
        ExpectLayout(row);
    }

    void tenWholeNotesFillRowOne() {
        m_view->SetTool(8);
        for (int i = 0; i < 10; ++i) {
            Click(200, 31);
        }
        ExpectLayout(TenWholeNotesRow(0));
        Click(200, 31);
        ExpectLayout(ExpectedLayout(
            {TenWholeNotesRow(0),
             {{4800, 10, 75, 58}, {4118, 68, 75, 29}, {4880, 97, 75, 519}, {4820, 616, 75, 14}}}));
    }

    void everyRowOfALongSongCanBeReached() {
        m_view->SetTool(8);
        std::vector<std::vector<Glyph>> rows;
        for (int row = 0; row < 20; ++row) {
            for (int i = 0; i < 10; ++i) {
                m_doc->AddNote(CPoint{0, 31}, 8, 0);
            }
            rows.push_back(TenWholeNotesRow(75 * row));
        }
        m_view->OnUpdate();
        // The last row's bottom (19 * 75 + 57) and one row pitch below it.
        QCOMPARE(m_view->ScrollExtent(), QSize(650, 19 * 75 + 57 + 75));
        QScrollBar* bar = m_view->verticalScrollBar();
        bar->setValue(bar->maximum());
        QCOMPARE(bar->value(), 1557 - 480);
        QCOMPARE(Grab(*m_view),
                 Picture(ExpectedLayout(rows), QSize(650, 480), QPoint(0, 1557 - 480)));
        // A click there lands in row 20 (sheet y 1456, r = 31).
        Click(200, 1456 - bar->value(), Qt::ShiftModifier);
        QCOMPARE(Notes(*m_doc).back(), (Note{440, 8, 0, 1}));
    }

    void exposedRepaintMatchesFullRepaint() {
        m_view->SetTool(2);
        for (int i = 0; i < 45; ++i) {
            m_doc->AddNote(CPoint{0, 6 + (i * 7) % 45}, i % 3 == 0 ? 2 : 1, 0);
        }
        m_view->OnUpdate();
        const QImage full = Grab(*m_view);
        const QRegion exposed = QRegion(0, 60, 650, 40) + QRegion(300, 0, 20, 480);
        QImage part(full.size(), QImage::Format_RGB32);
        part.fill(Qt::magenta);
        m_view->viewport()->render(&part, QPoint(), exposed);
        for (int y = 0; y < full.height(); ++y) {
            for (int x = 0; x < full.width(); ++x) {
                const QRgb expected =
                    exposed.contains(QPoint(x, y)) ? full.pixel(x, y) : QColor(Qt::magenta).rgb();
                if (part.pixel(x, y) != expected) {
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
                }
            }
        }
        QVERIFY(full != Picture({}, full.size(), QPoint()));  // the song was drawn at all
    }

    void forwardsProgressToDelegateOnly() {
        struct Sink : IProgressSink {
            void SetProgressStatus(std::string text) override { status = text; }
            void StepSamplerProgress() override { ++sampler; }
            void StepFilterProgress() override { ++filter; }
            void ShowWarning(const std::string& text) override { warning = text; }
            std::string status, warning;
            int sampler = 0, filter = 0;
        } sink;
        m_view->SetProgressStatus("ohne Dialog");
        m_view->StepSamplerProgress();
        m_view->SetProgressDelegate(&sink);
        m_view->SetProgressStatus("Filter läuft");
        m_view->StepSamplerProgress();
        m_view->StepFilterProgress();
        m_view->StepFilterProgress();
        m_view->ShowWarning("kaputt");
        m_view->SetProgressDelegate(nullptr);
        m_view->StepFilterProgress();
        QCOMPARE(sink.status, std::string("Filter läuft"));
        QCOMPARE(sink.sampler, 1);
        QCOMPARE(sink.filter, 2);
        QCOMPARE(sink.warning, std::string("kaputt"));
    }
};

QTEST_MAIN(TestScoreView)
#include "tst_scoreview.moc"
