#include <sys/resource.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>

#include "CDocumentFlow.h"
#include "CFakeDialogs.h"
#include "CKantiloDoc.h"
#include "CNote.h"
#include "CRecentFileList.h"

namespace {
QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int NoteCount(CKantiloDoc& doc) {
    int count = 0;
    int32_t bNewBar = 0;
    for (CNote* note = doc.GetFirstNote(); note != nullptr; note = doc.GetNextNote(bNewBar)) {
        ++count;
    }
    return count;
}
}  // namespace

class TestDocumentFlow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CKantiloDoc> m_doc;
    CFakeDialogs m_dialogs;
    std::unique_ptr<CDocumentFlow> m_flow;

    QString Path(const QString& name) const { return m_dir->filePath(name); }
    void Enter(int notes) {
        for (int i = 0; i < notes; ++i) {
            m_doc->AddNote(CPoint{0, 31}, 1, 0);
        }
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = CFakeDialogs();
        m_settings =
            std::make_unique<QSettings>(Path(QStringLiteral("Kantilo.conf")), QSettings::IniFormat);
        m_recent = std::make_unique<CRecentFileList>(*m_settings);
        m_doc = std::make_unique<CKantiloDoc>();
        m_flow = std::make_unique<CDocumentFlow>(*m_doc, m_dialogs, *m_recent);
    }
    void cleanup() {
        m_flow.reset();
        m_doc.reset();
        m_recent.reset();
        m_settings.reset();
        m_dir.reset();
    }

    void saveUntitledAsksForNameThenSavesInPlace() {
        Enter(3);
        m_dialogs.savePath = Path(QStringLiteral("melodie.kt"));
        QSignalSpy titles(m_flow.get(), &CDocumentFlow::TitleChanged);
        QVERIFY(m_flow->FileSave());
        QCOMPARE(m_dialogs.saveSuggestions, QStringList{"Unbenannt.kt"});
        QCOMPARE(m_flow->WindowTitle(), QStringLiteral("melodie.kt - Kantilo"));
        QCOMPARE(titles.count(), 1);
        QVERIFY(!m_doc->IsModified());
        QCOMPARE(m_recent->Files(), QStringList{m_dialogs.savePath});

        Enter(1);
        QVERIFY(m_flow->FileSave());  // has a path now: no dialog
        QCOMPARE(m_dialogs.saveSuggestions.size(), 1);
        QVERIFY(m_dialogs.messages.isEmpty());

        // Save As offers the current name and keeps the old file.
        m_dialogs.savePath = Path(QStringLiteral("kopie.kt"));
        QVERIFY(m_flow->FileSaveAs());
        QCOMPARE(m_dialogs.saveSuggestions.last(), QStringLiteral("melodie.kt"));
        QCOMPARE(FileBytes(Path("kopie.kt")), FileBytes(Path("melodie.kt")));
        QCOMPARE(m_recent->Files().first(), m_dialogs.savePath);
    }

    void cancelledSaveAsChangesNothing() {
        Enter(1);
        m_dialogs.savePath.clear();
        QVERIFY(!m_flow->FileSaveAs());
        QVERIFY(m_doc->IsModified());
        QCOMPARE(m_flow->WindowTitle(), QStringLiteral("Unbenannt - Kantilo"));
        QVERIFY(m_dialogs.messages.isEmpty());
    }

    void saveFailingPartWayShowsMessageAndKeepsOldFile() {
        Enter(1);
        const QString path = Path(QStringLiteral("alt.kt"));
        m_dialogs.savePath = path;
        QVERIFY(m_flow->FileSave());
        const QByteArray before = FileBytes(path);
        Enter(60);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tight = old;
        tight.rlim_cur = 256;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const bool saved = m_flow->FileSave();
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved);
        QCOMPARE(m_dialogs.messages.size(), 1);
        QCOMPARE(m_dialogs.icons.first(), IUserDialogs::Icon::Warning);
        QVERIFY(m_doc->IsModified());
        QCOMPARE(FileBytes(path), before);
        QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral("Kantilo.conf"));
        QCOMPARE(left, QStringList{"alt.kt"});
    }

    void saveIntoMissingFolderShowsPath() {
        Enter(1);
        m_dialogs.savePath = Path(QStringLiteral("fehlt/lied.kt"));
        QVERIFY(!m_flow->FileSave());
        QCOMPARE(m_dialogs.messages.size(), 1);
        QVERIFY2(m_dialogs.messages.first().contains(m_dialogs.savePath),
                 qPrintable(m_dialogs.messages.first()));
        QVERIFY(m_doc->IsModified());
        QCOMPARE(m_flow->WindowTitle(), QStringLiteral("Unbenannt - Kantilo"));
        QVERIFY(m_recent->Files().isEmpty());
    }

    void openMissingFileKeepsSong() {
        Enter(2);
        m_dialogs.answer = IUserDialogs::Answer::No;
        m_dialogs.openPath = Path(QStringLiteral("gibtsnicht.kt"));
        QSignalSpy replaced(m_flow.get(), &CDocumentFlow::DocumentReplaced);
        QVERIFY(!m_flow->FileOpen());
        QCOMPARE(m_dialogs.messages,
                 QStringList{m_dialogs.openPath + QStringLiteral(" wurde nicht gefunden.")});
        QCOMPARE(NoteCount(*m_doc), 2);
        QVERIFY(m_doc->IsModified());
        QCOMPARE(replaced.count(), 0);
        QVERIFY(m_recent->Files().isEmpty());
    }

    void openTruncatedFileLeavesNewSong() {
        Enter(2);
        m_dialogs.savePath = Path(QStringLiteral("kaputt.kt"));
        QVERIFY(m_flow->FileSave());
        QFile file(m_dialogs.savePath);
        QVERIFY(file.resize(150));
        Enter(1);
        m_dialogs.answer = IUserDialogs::Answer::No;
        QSignalSpy replaced(m_flow.get(), &CDocumentFlow::DocumentReplaced);
        QVERIFY(!m_flow->OpenDocumentFile(m_dialogs.savePath));
        QCOMPARE(m_dialogs.messages, QStringList{"Unerwartetes Dateiformat."});
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(m_flow->WindowTitle(), QStringLiteral("Unbenannt - Kantilo"));
        QCOMPARE(NoteCount(*m_doc), 0);
        QVERIFY(!m_doc->IsModified());
    }

    void openZeroLengthFileGivesEmptySongWithItsName() {
        const QString path = Path(QStringLiteral("leer.kt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        m_dialogs.openPath = path;
        QVERIFY(m_flow->FileOpen());
        QCOMPARE(m_flow->WindowTitle(), QStringLiteral("leer.kt - Kantilo"));
        QVERIFY(!m_doc->IsModified());
        QCOMPARE(NoteCount(*m_doc), 0);
        QVERIFY(m_dialogs.messages.isEmpty());
    }

    void modifiedSongIsAskedForBeforeItIsDropped() {
        Enter(1);
        m_dialogs.answer = IUserDialogs::Answer::Cancel;
        QVERIFY(!m_flow->FileNew());
        QVERIFY(!m_flow->FileOpen());
        QCOMPARE(m_dialogs.openDialogs, 0);
        QCOMPARE(NoteCount(*m_doc), 1);

        m_dialogs.answer = IUserDialogs::Answer::Yes;
        m_dialogs.savePath = Path(QStringLiteral("gesichert.kt"));
        QVERIFY(m_flow->FileNew());
        QVERIFY(QFileInfo::exists(m_dialogs.savePath));
        QCOMPARE(NoteCount(*m_doc), 0);
        QCOMPARE(m_flow->WindowTitle(), QStringLiteral("Unbenannt - Kantilo"));

        Enter(1);
        m_dialogs.answer = IUserDialogs::Answer::No;
        QVERIFY(m_flow->FileNew());
        QCOMPARE(m_dialogs.questions,
                 QStringList(
                     {"Änderungen in Unbenannt speichern?", "Änderungen in Unbenannt speichern?",
                      "Änderungen in Unbenannt speichern?", "Änderungen in Unbenannt speichern?"}));
        QVERIFY(m_flow->FileNew());  // unmodified now: no question
        QCOMPARE(m_dialogs.questions.size(), 4);
    }

    void vanishedRecentFileLeavesTheList() {
        m_recent->Add(Path(QStringLiteral("weg.kt")));
        m_recent->Add(Path(QStringLiteral("auch-weg.kt")));
        QSignalSpy changed(m_flow.get(), &CDocumentFlow::RecentFilesChanged);
        QVERIFY(!m_flow->OpenRecentFile(1));
        QCOMPARE(m_dialogs.messages.size(), 1);
        QCOMPARE(m_recent->Files(), QStringList{Path(QStringLiteral("auch-weg.kt"))});
        QCOMPARE(changed.count(), 1);
        QVERIFY(!m_flow->OpenRecentFile(5));
    }

    void recentListAbbreviatesAndPersists() {
        QCOMPARE(CRecentFileList::Abbreviate(QStringLiteral("/home/anna/lied.kt")),
                 QStringLiteral("/home/anna/lied.kt"));
        QCOMPARE(CRecentFileList::Abbreviate(
                     QStringLiteral("/home/anna/Musik/Kantilo/Volkslieder/lied.kt")),
                 QStringLiteral("/.../Volkslieder/lied.kt"));
        QCOMPARE(CRecentFileList::Abbreviate(QStringLiteral("/a/ein-sehr-langer-liedname-mit-"
                                                            "mehr-als-dreissig-zeichen.kt")),
                 QStringLiteral("ein-sehr-langer-liedname-mit-mehr-als-dreissig-zeichen.kt"));
        QVERIFY(CRecentFileList::Abbreviate(QStringLiteral("/x/yy/zzz/abcdefghijklmnopqrst.kt"))
                    .size() <= 30);

        for (const char* name : {"a.kt", "b.kt", "a.kt", "c&d.kt", "e.kt", "f.kt"}) {
            m_recent->Add(QStringLiteral("/lieder/") + QString::fromUtf8(name));
        }
        QCOMPARE(m_recent->MenuText(0), QStringLiteral("&1 /lieder/f.kt"));
        QCOMPARE(m_recent->MenuText(2), QStringLiteral("&3 /lieder/c&&d.kt"));
        CRecentFileList reread(*m_settings);
        QCOMPARE(reread.Files(),
                 QStringList({"/lieder/f.kt", "/lieder/e.kt", "/lieder/c&d.kt", "/lieder/a.kt"}));
    }
};

QTEST_MAIN(TestDocumentFlow)
#include "tst_documentflow.moc"
