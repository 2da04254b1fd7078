#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "CQtUserDialogs.h"
#include "ViewTestKit.h"

// Scores from other programs opened in the editor: what the import changed is told in one
// information box once the song shows, and saving proposes the score's title.
class TestScoreImport : public QObject {
    Q_OBJECT

    std::unique_ptr<CFrameFixture> m_f;

    static QString Corpus(const QString& name) {
        return QString::fromLocal8Bit(qgetenv("KANTILO_SOURCE_DIR")) + u"/tests/data/import/"_s +
               name;
    }
    CDocumentFlow& Flow() { return m_f->frame.Flow(); }
    CFakeDialogs& Dialogs() { return m_f->dialogs; }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_f = std::make_unique<CFrameFixture>();
        m_f->frame.show();
    }
    void cleanup() { m_f.reset(); }

    void noticesFollowTheShownScore_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("notices");
        QTest::addColumn<QString>("title");
        QTest::newRow("3/4 in G") << u"dreiviertel-g-dur.musicxml"_s
                                  << u"Die Taktart 3/4 wurde in 4/4-Takte umgeschrieben; die "
                                     "Melodie klingt gleich.\nDie Melodie wurde von G-Dur nach "
                                     "C-Dur übertragen (eine Quarte höher)."_s
                                  << u"Abendwalzer"_s;
        QTest::newRow("compressed, second voice")
            << u"zweite-stimme-ms.mxl"_s << u"Nur die erste Stimme wurde übernommen."_s
            << u"Zweistimmig"_s;
        QTest::newRow("nothing changed")
            << u"kurzer-takt.musicxml"_s << QString() << u"Choral mit geteiltem Takt"_s;
    }
    void noticesFollowTheShownScore() {
        QFETCH(QString, file);
        QFETCH(QString, notices);
        QFETCH(QString, title);
        int shownBefore = -1;
        connect(&Flow(), &CDocumentFlow::DocumentReplaced, this,
                [&] { shownBefore = static_cast<int>(Dialogs().messages.size()); });
        QVERIFY(Flow().OpenDocumentFile(Corpus(file)));
        QCOMPARE(shownBefore, 0);
        QCOMPARE(Dialogs().messages, notices.isEmpty() ? QStringList() : QStringList{notices});
        QCOMPARE(Dialogs().icons.size(), notices.isEmpty() ? 0 : 1);
        QVERIFY(Dialogs().icons.isEmpty() ||
                Dialogs().icons.front() == IUserDialogs::Icon::Information);
        QCOMPARE(m_f->frame.windowTitle(), title + u" - Kantilo"_s);
        QVERIFY(m_f->doc.IsModified() && m_f->doc.GetPathName().empty());
        QVERIFY(!Flow().FileSave());  // the save dialog is cancelled
        QCOMPARE(Dialogs().saveSuggestions, QStringList{title + u".kt"_s});
    }

    // A title is proposed as a file name: no folder or line break comes with it; a score
    // without one is named after its file.
    void theTitleIsAFileName() {
        const QString score = m_f->Path(u"lied.xml"_s);
        const QByteArray body =
            "<part><measure><note><pitch><step>C</step><octave>4</octave></pitch>"
            "<duration>1</duration></note></measure></part></score-partwise>";
        QVERIFY(WriteFile(score, "<score-partwise><movement-title>Nord/S\xc3\xbc" "d\nWest"
                                 "</movement-title>" + body));
        QVERIFY(Flow().OpenDocumentFile(score));
        QVERIFY(!Flow().FileSave());  // the save dialog is cancelled
        QVERIFY(WriteFile(score, "<score-partwise>" + body));
        Dialogs().answer = IUserDialogs::Answer::No;
        QVERIFY(Flow().OpenDocumentFile(score));
        QVERIFY(!Flow().FileSave());
        QCOMPARE(Dialogs().saveSuggestions, QStringList({u"Nord-Süd West.kt"_s, u"lied.kt"_s}));
        QVERIFY(Dialogs().messages.isEmpty());
    }

    // A refusal with several reasons is one warning listing them all.
    void aRefusalListsEveryReason() {
        QVERIFY(!Flow().OpenDocumentFile(Corpus(u"sechzehntel-und-umfang-ms.mxl"_s)));
        QCOMPARE(Dialogs().messages.size(), 1);
        QCOMPARE(Dialogs().messages.front().count(u'\n'), 4);
        QCOMPARE(Dialogs().icons, QList{IUserDialogs::Icon::Warning});
    }

    // The box itself: captioned "Kantilo", with the information icon and the notices' text.
    void theBoxIsAnInformation() {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        });
        CQtUserDialogs().ShowMessage(u"Wiederholungen wurden ausgeschrieben."_s,
                                     IUserDialogs::Icon::Information);
        QCOMPARE(caption, u"Kantilo"_s);
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(text, u"Wiederholungen wurden ausgeschrieben."_s);
    }
};

QTEST_MAIN(TestScoreImport)
#include "tst_scoreimport.moc"
