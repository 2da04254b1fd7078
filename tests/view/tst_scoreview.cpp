#include <QtTest>
#include <memory>

#include "CKantiloView.h"
#include "ViewTestKit.h"

class TestScoreView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CKantiloDoc> m_doc;
    std::unique_ptr<CKantiloView> m_view;

private slots:
    void init() {
        m_doc = std::make_unique<CKantiloDoc>();
        m_view = std::make_unique<CKantiloView>(*m_doc);
        m_view->resize(m_view->sizeHint());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void clicksEnterNotes_data() {
        // Clicks: [s]hift [c]trl [a]lt, sheet height.
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("notes");
        QTest::newRow("r=5, r=51 beside the bands; r=6 A5, r=50 C4")
            << u"5 6 50 51"_s << u"880/4 264/4"_s;
        QTest::newRow("A4 in the second space; Shift ties, not with Ctrl or Alt")
            << u"31 s31 sc31 sa31"_s << u"440/4> <440/4 440/4 440/4"_s;
    }
    void clicksEnterNotes() {
        QFETCH(QString, clicks);
        QFETCH(QString, notes);
        for (QString click : clicks.split(' ')) {
            Qt::KeyboardModifiers modifiers;
            modifiers.setFlag(Qt::ShiftModifier, click.contains('s'));
            modifiers.setFlag(Qt::ControlModifier, click.contains('c'));
            modifiers.setFlag(Qt::AltModifier, click.contains('a'));
            const int y = click.remove(QRegularExpression(u"[sca]"_s)).toInt();
            QTest::mouseClick(m_view->viewport(), Qt::LeftButton, modifiers, QPoint(300, y));
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
};

QTEST_MAIN(TestScoreView)
#include "tst_scoreview.moc"
