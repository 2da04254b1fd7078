// "kantilo SONG.kt -o OUT.pdf|svg|png" run as a user runs it, without a display.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <thread>

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
    // The same bytes as the editor's export of the opened document but for the moment it was
    // made. Its fonts are listed in an order that once changed from process to process, so it
    // is made several times; pages are always drawn offscreen, so under every platform a user
    // may have set. (Pictures and their pages are the score pages' tests'.)
    void writesWhatTheExportWrites() {
        const QString song = m_dir.filePath(u"zwei.kt"_s);
        QCOMPARE(SaveSong(song, 500), song);
        CKantiloDoc doc;
        QVERIFY(doc.OnOpenDocument(song.toStdString()).Ok());
        const std::string title = CExchangeFormat::TitleFromPath(doc.GetTitle());
        const QString editor = m_dir.filePath(u"vom-editor.pdf"_s);
        QCOMPARE(CScorePages::Save(doc.GetSheet(), title, editor.toStdString(),
                                   CScorePages::Format::pdf),
                 std::string());
        const QString cli = m_dir.filePath(QString::fromStdString(title) + u".pdf"_s);
        for (const QString& platform : {QString(), u"xcb"_s, u"wayland"_s, u"gibtsnicht"_s}) {
            const QString display =
                platform.isEmpty()
                    ? QString()
                    : u"export DISPLAY=:77 WAYLAND_DISPLAY=wayland-77 QT_QPA_PLATFORM="_s +
                          platform + u';';
            QCOMPARE(Kantilo({song, u"-o"_s, cli}, display), u"0 "_s);
            QVERIFY(!FileBytes(cli).isEmpty());
            QVERIFY(WithoutCreationDate(FileBytes(cli)) == WithoutCreationDate(FileBytes(editor)));
        }
    }

    // Files may grow to 8 KiB only (ulimit -f counts 512-byte blocks in sh), as on a full disk:
    // every writer (MIDI's is MusicXML's) reports it instead of being killed by SIGXFSZ, and the
    // old file survives.
    void aFullDiskKeepsTheOldFile() {
        const QString page = SaveSong(m_dir.filePath(u"lied.kt"_s), 40);  // one picture, 20 s
        const QString song = SaveSong(m_dir.filePath(u"lang.kt"_s), 2000);
        for (const QString& name : {u"alt.pdf"_s, u"alt.svg"_s, u"alt.png"_s, u"alt.kt"_s,
                                    u"alt.musicxml"_s, u"alt.wav"_s}) {
            const QString old = m_dir.filePath(name);
            const QByteArray oldBytes(4000, 'a');
            QVERIFY(WriteFile(old, oldBytes));
            const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
            const bool wave = name == u"alt.wav"_s;  // a song says it in the sampler's words
            QCOMPARE(Kantilo({name == u"alt.png"_s || wave ? page : song, u"-o"_s, old},
                             u"ulimit -f 16;"_s),
                     wave ? u"1 Die angegebene Zieldatei konnte nicht geschrieben werden!\n"_s
                          : u"1 Beim Zugriff auf "_s + old +
                                u" wurde ein voller Datenträger gemeldet.\n"_s);
            QCOMPARE(FileBytes(old), oldBytes);
            QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), before);
        }
    }

    // Memory running out (every allocation from 4 MiB on fails, as the first big one of a long
    // song's PDF does, a page picture's, or the reading of a large score): the program's
    // own words and 1 instead of an abort or another message, and the older file stays alone.
    void runningOutOfMemoryIsReported() {
#ifdef __SANITIZE_ADDRESS__
        // AddressSanitizer's allocator is the one to fail; it warns of each failure itself, and
        // ends the program on a failed operator new instead of throwing, so the import (whose
        // buffers come from new) is checked in the plain build only.
        const QString limit =
            u"export ASAN_OPTIONS=\"$ASAN_OPTIONS:allocator_may_return_null=1:"
            u"max_allocation_size_mb=4\";"_s;
        const QStringList names = {u"alt.pdf"_s, u"alt.png"_s};
#else
        const QString limit =
            u"export "
            u"LD_PRELOAD=" KANTILO_FAILING_ALLOCATION u" KANTILO_FAIL_ALLOCATION_FROM=4194304;"_s;
        const QStringList names = {u"alt.pdf"_s, u"alt.png"_s, u"alt.kt"_s};
#endif
        static const QRegularExpression warning(
            u"==[0-9]+==WARNING: AddressSanitizer failed to allocate 0x[0-9a-f]+ bytes\n"_s);
        const QString song = m_dir.filePath(u"lang.kt"_s);
        QCOMPARE(SaveSong(song, 1600), song);
        // A score of more than 4 MiB to import, written while memory is still plentiful.
        const QString longSong = m_dir.filePath(u"sehr-lang.kt"_s);
        QCOMPARE(SaveSong(longSong, 24000), longSong);
        QCOMPARE(Kantilo({longSong, u"-o"_s, m_dir.filePath(u"sehr-lang.musicxml"_s)}), u"0 "_s);
        QVERIFY(QFileInfo(m_dir.filePath(u"sehr-lang.musicxml"_s)).size() > 4194304);
        QVERIFY(QFile::remove(longSong));
        // (An SVG, written page by page, never asks for a block that large.)
        for (const QString& name : names) {
            const QString old = m_dir.filePath(name);
            const QString input =
                name.endsWith(u".kt"_s) ? m_dir.filePath(u"sehr-lang.musicxml"_s) : song;
            QVERIFY(WriteFile(old, "alt"));
            const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
            QCOMPARE(Kantilo({input, u"-o"_s, old}, limit).remove(warning),
                     u"1 Zu wenig Speicher vorhanden!\n"_s);
            QCOMPARE(FileBytes(old), QByteArray("alt"));
            QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), before);
        }
    }

    // The editor names the display it cannot reach and how to convert without one, instead of
    // Qt's abort in English.
    void editorNamesTheDisplayItCannotReach() {
        const QString hint = u"Ohne Anzeige wandelt \"kantilo DOKUMENT.kt -o AUSGABE\" um.\n"_s;
        const QString x11 = u"kantilo: Die X11-Anzeige \":77\" (DISPLAY) ist nicht erreichbar.\n"_s;
        const QString noX11 = u"kantilo: Für X11 ist keine Anzeige gesetzt (DISPLAY ist leer).\n"_s;
        const QString wayland =
            u"kantilo: Die Wayland-Anzeige \"wayland-77\" (WAYLAND_DISPLAY) ist nicht erreichbar.\n"_s;
        const QString song = m_dir.filePath(u"lied.kt"_s);
        QCOMPARE(SaveSong(song, 4), song);
        const QString runtime = u"XDG_RUNTIME_DIR="_s + m_dir.path();
        const std::pair<QString, QString> cases[] = {
            {u"export DISPLAY=:77;"_s, x11},
            {u"export DISPLAY=unix:77.0 QT_QPA_PLATFORM=xcb;"_s,
             u"kantilo: Die X11-Anzeige \"unix:77.0\" (DISPLAY) ist nicht erreichbar.\n"_s},
            {u"export WAYLAND_DISPLAY=wayland-77 "_s + runtime + u';', wayland + noX11},
            {u"export WAYLAND_DISPLAY=wayland-77 DISPLAY=:77 "_s + runtime + u';', wayland + x11},
            {u"export QT_QPA_PLATFORM=gibtsnicht DISPLAY=:77;"_s,
             u"kantilo: Die Qt-Plattform \"gibtsnicht\" (QT_QPA_PLATFORM) gibt es nicht.\n"_s},
            {u"export QT_QPA_PLATFORM='wayland;xcb:nograb' DISPLAY=:77;"_s,
             u"kantilo: Die Wayland-Anzeige \"wayland-0\" (WAYLAND_DISPLAY) ist nicht erreichbar.\n"_s +
                 x11},
        };
        for (const auto& [environment, message] : cases) {
            QCOMPARE(Kantilo({song}, environment), u"1 "_s + message + hint);
        }
    }

    // A display that accepts the connection and hangs up at once passes the check; Qt's fatal
    // message that follows still ends the program with the German text and 1, not an abort.
    void editorEndsInGermanWhenQtCannotOpenTheDisplay() {
        const QByteArray name = "/tmp/.X11-unix/X" + QByteArray::number(7000 + getpid() % 900);
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, name.constData(), size_t(name.size()));
        const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        QVERIFY(fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                listen(fd, 4) == 0);
        std::atomic<bool> done = false;
        std::thread hangUp([&] {
            while (!done) {
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, 50) == 1) {
                    close(accept(fd, nullptr, nullptr));
                }
            }
        });
        const QString display = u':' + QString::fromLatin1(name.mid(name.lastIndexOf('X') + 1));
        const QString result = Kantilo({}, u"export DISPLAY="_s + display + u';');
        done = true;
        hangUp.join();
        close(fd);
        QCOMPARE(result,
                 u"1 kantilo: Die grafische Anzeige ließ sich nicht öffnen.\n"
                 u"Ohne Anzeige wandelt \"kantilo DOKUMENT.kt -o AUSGABE\" um.\n"_s);
    }
};

QTEST_MAIN(TestPageCommandLine)
#include "tst_pagecommandline.moc"
