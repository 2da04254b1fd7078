#pragma once

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTest>

#include <signal.h>
#include <sys/types.h>

// A sound server with the null sink "kantilo_null" for the test: the one named by PULSE_SERVER
// when it has that sink, otherwise a private one started with tools/start-pulse.sh and stopped
// again at the end.
class CPulseServer {
public:
    ~CPulseServer() { Stop(); }

    // False, with the reason in Error(), when no suitable server can be reached or started.
    bool Start() {
        if (HasSink()) {
            return true;
        }
        QString root = qEnvironmentVariable("KANTILO_SOURCE_DIR");
        if (root.isEmpty()) {
            root = QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../..");
        }
        const QString script = root + QStringLiteral("/tools/start-pulse.sh");
        QProcess start;
        start.start(QStringLiteral("bash"), {script});
        if (!start.waitForFinished(30000) || start.exitCode() != 0) {
            m_strError = QStringLiteral("tools/start-pulse.sh failed: ") +
                         QString::fromLocal8Bit(start.readAllStandardError()) + start.errorString();
            return false;
        }
        for (const QByteArray& line : start.readAllStandardOutput().split('\n')) {
            Export(line);
        }
        if (!HasSink()) {
            m_strError = QStringLiteral("the private sound server does not answer");
            return false;
        }
        return true;
    }

    // Stops the server this object started, if any, and removes its files.
    void Stop() {
        if (m_nPid <= 0) {
            return;
        }
        ::kill(m_nPid, SIGTERM);
        if (!QTest::qWaitFor([this] { return ::kill(m_nPid, 0) != 0; }, 5000)) {
            qWarning("the sound server %d did not stop", int(m_nPid));
        }
        m_nPid = 0;
        if (!m_strDir.isEmpty()) {
            QDir(m_strDir).removeRecursively();
        }
    }

    QString Error() const { return m_strError; }

    // True when pactl reaches a server that has the sink.
    static bool HasSink() {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"),
                    {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
        if (!pactl.waitForFinished(10000) || pactl.exitCode() != 0) {
            return false;
        }
        return pactl.readAllStandardOutput().contains("kantilo_null");
    }

private:
    // Takes over one "export NAME=VALUE" line of the script.
    void Export(const QByteArray& line) {
        static const QByteArray kPrefix = "export ";
        const qsizetype equals = line.indexOf('=');
        if (!line.startsWith(kPrefix) || equals < 0) {
            return;
        }
        const QByteArray name = line.mid(kPrefix.size(), equals - kPrefix.size());
        const QByteArray value = line.mid(equals + 1);
        qputenv(name.constData(), value);
        if (name == "KANTILO_PULSE_PID") {
            m_nPid = static_cast<pid_t>(value.toLongLong());
        } else if (name == "KANTILO_PULSE_DIR") {
            m_strDir = QString::fromLocal8Bit(value);
        }
    }

    pid_t m_nPid = 0;
    QString m_strDir;
    QString m_strError;
};
