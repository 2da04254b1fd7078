#include <QDir>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "ViewTestKit.h"

namespace {

// The first bytes of every saved document: new-class tag, schema 1, name length 11, name.
const QByteArray kDocumentStart = QByteArray::fromHex("ffff01000b00") + "CController";

QString SourceFile(const QString& relative) {
    return qEnvironmentVariable("KANTILO_SOURCE_DIR") + '/' + relative;
}

}  // namespace

// The launcher and the document type that are installed for the desktop.
class TestDesktopFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_data;
    QTemporaryDir m_files;

    QString TypeOf(const QString& name, const QByteArray& content) {
        QFile file(m_files.filePath(name));
        const bool written =
            file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
        file.close();
        return written ? QMimeDatabase().mimeTypeForFile(file.fileName()).name() : u"unwritten"_s;
    }

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("KANTILO_SOURCE_DIR"), "KANTILO_SOURCE_DIR not set");
        const QString update = QStandardPaths::findExecutable(u"update-mime-database"_s);
        if (update.isEmpty()) {
            QSKIP("update-mime-database (shared-mime-info) is not installed");
        }
        // Installed like a package: one database together with the system's own types.
        const QString packages = m_data.filePath(u"mime/packages"_s);
        QVERIFY(QDir().mkpath(packages));
        QVERIFY(
            QFile::copy(SourceFile(u"resources/kantilo-mime.xml"_s), packages + "/kantilo.xml"));
        const QString system = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                      u"mime/packages/freedesktop.org.xml"_s);
        QVERIFY(system.isEmpty() || QFile::copy(system, packages + "/freedesktop.org.xml"));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_data.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.filePath(u"home"_s)));
        QProcess process;
        process.start(update, {m_data.filePath(u"mime"_s)});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardError(), QByteArray());
    }

    void documentsAreRecognisedByContent() {
        const QMimeType type = QMimeDatabase().mimeTypeForName(u"application/x-kantilo"_s);
        QVERIFY(type.isValid());
        QCOMPARE(type.globPatterns(), QStringList{u"*.kt"_s});
        // A renamed document is still known by its first bytes; a near miss is not one.
        const QByteArray song = kDocumentStart + QByteArray(40, '\0');
        for (const QString& name : {u"song.kt"_s, u"song"_s, u"song.bin"_s}) {
            QCOMPARE(TypeOf(name, song), type.name());
        }
        QByteArray nearly = kDocumentStart;
        nearly[nearly.size() - 1] = 'x';
        for (const QByteArray& content :
             {nearly, kDocumentStart.mid(1), QByteArray("CController")}) {
            QVERIFY(TypeOf(u"other"_s, content + QByteArray(8, '\1')) != type.name());
        }
        // Kotlin sources keep their own type where the system knows it.
        if (QMimeDatabase().mimeTypeForName(u"text/x-kotlin"_s).isValid()) {
            QCOMPARE(TypeOf(u"Main.kt"_s, "fun main() {\n    println(1)\n}\n"), u"text/x-kotlin"_s);
        }
    }

    void launcherEntry() {
        const QString path = SourceFile(u"resources/kantilo.desktop"_s);
        const QString validate = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
        if (!validate.isEmpty()) {
            QProcess process;
            process.start(validate, {path});
            QVERIFY(process.waitForFinished(30000));
            QVERIFY2(process.exitCode() == 0, process.readAllStandardOutput().constData());
        }
        QMap<QString, QString> entry;
        for (const QString& line : QString::fromUtf8(FileBytes(path)).split('\n')) {
            const qsizetype equals = line.indexOf('=');
            if (equals > 0) {
                entry.insert(line.left(equals), line.mid(equals + 1));
            }
        }
        // It opens the file it is given and offers itself for the document type.
        QCOMPARE(entry.value(u"Exec"_s), u"kantilo %f"_s);
        QCOMPARE(entry.value(u"MimeType"_s), u"application/x-kantilo;"_s);
        QCOMPARE(entry.value(u"Icon"_s), u"kantilo"_s);
    }
};

QTEST_GUILESS_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
