#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The first bytes of every saved document: new-class tag, schema 1, name length 11, name.
const QByteArray kDocumentStart = QByteArray::fromHex("ffff01000b00") + "CController";

QString SourceFile(const QString& relative) {
    const QByteArray root = qgetenv("KANTILO_SOURCE_DIR");
    return QString::fromLocal8Bit(root) + QStringLiteral("/") + relative;
}

}  // namespace

// The launcher and the document type that are installed for the desktop.
class TestDesktopFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void documentsAreRecognisedByContent();
    void kotlinSourcesKeepTheirType();
    void foreignContentIsNotADocument();
    void launcherEntry();

private:
    QString Write(const QString& name, const QByteArray& content);

    QTemporaryDir m_data;
    QTemporaryDir m_files;
};

void TestDesktopFiles::initTestCase() {
    QVERIFY2(!qEnvironmentVariableIsEmpty("KANTILO_SOURCE_DIR"), "KANTILO_SOURCE_DIR not set");
    const QString update = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (update.isEmpty()) {
        QSKIP("update-mime-database (shared-mime-info) is not installed");
    }
    QVERIFY(m_data.isValid() && m_files.isValid());
    // Installed like a package: one database together with the system's own types.
    const QString packages = m_data.filePath(QStringLiteral("mime/packages"));
    QVERIFY(QDir().mkpath(packages));
    QVERIFY(QFile::copy(SourceFile(QStringLiteral("resources/kantilo-mime.xml")),
                        packages + QStringLiteral("/kantilo.xml")));
    const QString system = QStandardPaths::locate(
        QStandardPaths::GenericDataLocation, QStringLiteral("mime/packages/freedesktop.org.xml"));
    if (!system.isEmpty()) {
        QVERIFY(QFile::copy(system, packages + QStringLiteral("/freedesktop.org.xml")));
    }
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_data.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.filePath(QStringLiteral("home"))));
    QProcess process;
    process.start(update, {m_data.filePath(QStringLiteral("mime"))});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray warnings = process.readAllStandardError();
    QVERIFY2(warnings.isEmpty(), warnings.constData());
}

QString TestDesktopFiles::Write(const QString& name, const QByteArray& content) {
    QFile file(m_files.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        return {};
    }
    return file.fileName();
}

void TestDesktopFiles::documentsAreRecognisedByContent() {
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForName(QStringLiteral("application/x-kantilo"));
    QVERIFY(type.isValid());
    QCOMPARE(type.globPatterns(), QStringList{QStringLiteral("*.kt")});
    const QByteArray song = kDocumentStart + QByteArray(40, '\0');
    QCOMPARE(database.mimeTypeForFile(Write(QStringLiteral("song.kt"), song)).name(), type.name());
    // A renamed document is still known by its first bytes.
    QCOMPARE(database.mimeTypeForFile(Write(QStringLiteral("song"), song)).name(), type.name());
    QCOMPARE(database.mimeTypeForFile(Write(QStringLiteral("song.bin"), song)).name(), type.name());
}

void TestDesktopFiles::kotlinSourcesKeepTheirType() {
    const QMimeDatabase database;
    const QString source = Write(QStringLiteral("Main.kt"), "fun main() {\n    println(1)\n}\n");
    if (!database.mimeTypeForName(QStringLiteral("text/x-kotlin")).isValid()) {
        QSKIP("the system's type database does not know Kotlin sources");
    }
    QCOMPARE(database.mimeTypeForFile(source).name(), QStringLiteral("text/x-kotlin"));
}

void TestDesktopFiles::foreignContentIsNotADocument() {
    const QMimeDatabase database;
    QByteArray nearly = kDocumentStart;
    nearly[nearly.size() - 1] = 'x';
    for (const QByteArray& content : {nearly, kDocumentStart.mid(1), QByteArray("CController")}) {
        const QString path = Write(QStringLiteral("other"), content + QByteArray(8, '\1'));
        QVERIFY(database.mimeTypeForFile(path).name() != QStringLiteral("application/x-kantilo"));
    }
}

void TestDesktopFiles::launcherEntry() {
    const QString path = SourceFile(QStringLiteral("resources/kantilo.desktop"));
    const QString validate =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validate.isEmpty()) {
        QProcess process;
        process.start(validate, {path});
        QVERIFY(process.waitForFinished(30000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardOutput().constData());
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QString> entry;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0) {
            entry.insert(line.left(equals), line.mid(equals + 1));
        }
    }
    QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("Kantilo"));
    QCOMPARE(entry.value(QStringLiteral("Exec")), QStringLiteral("kantilo %f"));
    QCOMPARE(entry.value(QStringLiteral("Icon")), QStringLiteral("kantilo"));
    QCOMPARE(entry.value(QStringLiteral("MimeType")), QStringLiteral("application/x-kantilo;"));
    QCOMPARE(entry.value(QStringLiteral("Categories")), QStringLiteral("AudioVideo;Audio;Music;"));
    QVERIFY(entry.value(QStringLiteral("Comment")).contains(QStringLiteral("Melodien")));
}

QTEST_GUILESS_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
