// "kantilo SONG.kt -o OUT.pdf|svg|png" run as a user runs it, without a display.

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "CKantiloDoc.h"
#include "CScorePages.h"
#include "ViewTestKit.h"

namespace {

// The program through the shell, with no display of any kind; shellPrefix may set limits. The
// exit code, then what it wrote to its standard output and error.
QString Kantilo(const QStringList& args, const QString& shellPrefix = QString()) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString script = u"unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; "_s + shellPrefix +
                           u" exec \"$0\" \"$@\""_s;
    process.start(u"sh"_s, QStringList{u"-c"_s, script,
                                       qEnvironmentVariable("KANTILO_BINARY_DIR") + u"/kantilo"_s} +
                               args);
    const bool ended =
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    return ended ? QString::number(process.exitCode()) + ' ' + QString::fromUtf8(process.readAll())
                 : u"did not end"_s;
}

// The date Qt stamps into every PDF is the only part that changes from run to run.
QByteArray WithoutCreationDate(QByteArray pdf) {
    static const QRegularExpression date(u"/CreationDate \\(D:[0-9Z+'-]*\\)"_s);
    return QString::fromLatin1(pdf).replace(date, u"/CreationDate ()"_s).toLatin1();
}

}  // namespace

class TestPageCommandLine : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    // The same bytes as the editor's export of the opened document; a PDF differs only in
    // the moment it was made. Its fonts are listed in an order that once changed from process
    // to process, so it is made several times.
    void writesWhatTheExportWrites() {
        const QString song =
            qEnvironmentVariable("KANTILO_SOURCE_DIR") + u"/examples/beispiel.kt"_s;
        CKantiloDoc doc;
        QVERIFY(doc.OnOpenDocument(song.toStdString()).Ok());
        using enum CScorePages::Format;
        for (const auto& [name, format, runs] :
             {std::tuple(u"beispiel.pdf"_s, pdf, 4), std::tuple(u"beispiel.svg"_s, svg, 1),
              std::tuple(u"beispiel.png"_s, png, 1)}) {
            const QString editor = m_dir.filePath(u"editor"_s), cli = m_dir.filePath(name);
            QCOMPARE(
                CScorePages::Save(doc.GetSheet(), CExchangeFormat::TitleFromPath(doc.GetTitle()),
                                  editor.toStdString(), format),
                std::string());
            for (int i = 0; i < runs; ++i) {
                QCOMPARE(Kantilo({song, u"-o"_s, cli}), u"0 "_s);
                QVERIFY(!FileBytes(cli).isEmpty());
                QVERIFY(WithoutCreationDate(FileBytes(cli)) ==
                        WithoutCreationDate(FileBytes(editor)));
            }
        }
        // The example's first page, for people to look at (poppler, where it is installed).
        const QString shots = qEnvironmentVariable("KANTILO_BINARY_DIR") + u"/screenshots"_s;
        QDir().mkpath(shots);
        QProcess::execute(u"pdftoppm"_s,
                          {u"-png"_s, u"-r"_s, u"96"_s, u"-singlefile"_s,
                           m_dir.filePath(u"beispiel.pdf"_s), shots + u"/beispiel-seite1"_s});
    }

    // A picture of two pages: the same files, page by page, from the command line as from the
    // editor; no file under the name asked for.
    void picturesPerPageAsTheExportWrites() {
        const QString song = m_dir.filePath(u"zwei.kt"_s);
        QCOMPARE(SaveSong(song, 500), song);
        CKantiloDoc doc;
        QVERIFY(doc.OnOpenDocument(song.toStdString()).Ok());
        QVERIFY(QDir(m_dir.path()).mkpath(u"vom-editor"_s));
        QCOMPARE(CScorePages::Save(doc.GetSheet(), "zwei",
                                   m_dir.filePath(u"vom-editor/zwei.png"_s).toStdString(),
                                   CScorePages::Format::png),
                 std::string());
        QCOMPARE(Kantilo({song, u"-o"_s, m_dir.filePath(u"zwei.png"_s)}), u"0 "_s);
        const QStringList pages = QDir(m_dir.path()).entryList({u"zwei*.png"_s});
        QVERIFY2(pages.size() >= 2, qPrintable(pages.join(' ')));
        QCOMPARE(pages, QDir(m_dir.filePath(u"vom-editor"_s)).entryList({u"zwei*.png"_s}));
        QVERIFY(!pages.contains(u"zwei.png"_s));
        for (const QString& page : pages) {
            QVERIFY(!FileBytes(m_dir.filePath(page)).isEmpty());
            QCOMPARE(FileBytes(m_dir.filePath(page)),
                     FileBytes(m_dir.filePath(u"vom-editor/"_s + page)));
        }
    }

    // Files may grow to 8 KiB only, as on a full disk: the old file must survive.
    void aFullDiskKeepsTheOldFile() {
        const QString song = m_dir.filePath(u"lied.kt"_s);
        QCOMPARE(SaveSong(song, 40), song);
        const QString old = m_dir.filePath(u"alt.pdf"_s);
        const QByteArray oldBytes(4000, 'a');
        QVERIFY(WriteFile(old, oldBytes));
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);
        QCOMPARE(Kantilo({song, u"-o"_s, old}, u"trap '' XFSZ; ulimit -f 16;"_s),
                 u"1 Beim Zugriff auf "_s + old + u" wurde ein voller Datenträger gemeldet.\n"_s);
        QCOMPARE(FileBytes(old), oldBytes);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), before);
    }
};

QTEST_MAIN(TestPageCommandLine)
#include "tst_pagecommandline.moc"
