#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "CKantiloView.h"
#include "ViewTestKit.h"

class TestScoreView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CKantiloDoc> m_doc;
    std::unique_ptr<CKantiloView> m_view;

    void Click(int x, int y, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, modifiers, QPoint(x, y));
    }

private slots:
    void init() {
        m_doc = std::make_unique<CKantiloDoc>();
        m_view = std::make_unique<CKantiloView>(*m_doc);
        m_view->resize(m_view->sizeHint());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void clicksEnterNotes_data() {
        // Clicks: [s]hift [c]trl [a]lt, sheet height; t: tool.
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("notes");
        QTest::newRow("r=5, r=51 beside the bands; r=6 A5, r=50 C4")
            << u"5 6 50 51"_s << u"880/4 264/4"_s;
        QTest::newRow("A4 in the second space; Shift ties, not with Ctrl or Alt")
            << u"31 s31 sc31 sa31"_s << u"440/4> <440/4 440/4 440/4"_s;
        // A whole rest after an eighth is split into tied parts: 4 + 2 + 1 eighths fill the
        // bar, 1 opens the next.
        QTest::newRow("tools") << u"t1 31 t18 45"_s << u"440/1 r/4> <r/2> <r/1> <r/1"_s;
    }
    void clicksEnterNotes() {
        QFETCH(QString, clicks);
        QFETCH(QString, notes);
        for (QString click : clicks.split(' ')) {
            if (click[0] == 't') {
                m_view->SetTool(static_cast<ETool>(click.mid(1).toInt()));
                continue;
            }
            Qt::KeyboardModifiers modifiers;
            modifiers.setFlag(Qt::ShiftModifier, click.contains('s'));
            modifiers.setFlag(Qt::ControlModifier, click.contains('c'));
            modifiers.setFlag(Qt::AltModifier, click.contains('a'));
            Click(300, click.remove(QRegularExpression(u"[sca]"_s)).toInt(), modifiers);
        }
        QCOMPARE(Notes(*m_doc), notes);
        QVERIFY(m_doc->IsModified());
    }

    // Through the window system (press, release, double-click, release): one note.
    void doubleClickAddsOneNote() {
        const QPoint inWindow = m_view->viewport()->mapTo(m_view.get(), QPoint(200, 31));
        QTest::mouseDClick(m_view->windowHandle(), Qt::LeftButton, {}, inWindow);
        QCOMPARE(Notes(*m_doc), u"440/4"_s);
    }

    // The sheet reaches one row pitch below its last row, so every row can be clicked; a note
    // that lands outside the window brings it into view, and no further; one that is in view
    // moves nothing.
    void rowsCanAllBeReachedAndNewNotesComeIntoView() {
        m_view->SetTool(ETool::whole);
        Enter(*m_doc, 200, 8);
        m_view->OnUpdate();
        // 20 rows: the last row's bottom (19 * 75 + 57) and one row pitch below it.
        QCOMPARE(m_view->ScrollExtent(), QSize(650, 19 * 75 + 57 + 75));
        QScrollBar* bar = m_view->verticalScrollBar();
        bar->setValue(bar->maximum());
        QCOMPARE(bar->value(), 1557 - 480);
        // A click in row 20 (sheet y 1456, r = 31) appends to row 21, at sheet height 1500.
        Click(200, 1456 - bar->value(), Qt::ShiftModifier);
        QVERIFY(Notes(*m_doc).endsWith(u"440/8> <440/8"_s));
        QCOMPARE(bar->value(), 1500 + 57 - 480);
        for (int top : {bar->value(), 200}) {  // A4 in the row the window shows at its top
            bar->setValue(top);
            Click(200, ((31 - top) % 75 + 75) % 75);
            QCOMPARE(bar->value(), 1500 + 57 - 480);
        }
        QCOMPARE(Notes(*m_doc).count(u"440/8"_s), 203);
    }

    // Deleting through the view takes the whole tie chain, even across a bar line, and shows
    // the shorter song at once.
    void deletingTheLastNoteThroughTheView() {
        Enter(*m_doc, 1);
        m_view->SetTool(ETool::whole);
        Click(200, 31);  // 6 + 2 eighths over the bar line
        m_view->OnUpdate();
        m_doc->SetModifiedFlag(false);
        const QImage before = m_view->viewport()->grab().toImage();
        m_view->OnLoeschen();
        QCOMPARE(Notes(*m_doc), u"440/2"_s);
        QVERIFY(m_doc->IsModified());
        QVERIFY(m_view->viewport()->grab().toImage() != before);
        m_view->OnLoeschen();
        QCOMPARE(Notes(*m_doc), QString());
        m_view->OnLoeschen();  // nothing left: nothing happens
        QCOMPARE(Notes(*m_doc), QString());
    }
};

QTEST_MAIN(TestScoreView)
#include "tst_scoreview.moc"
