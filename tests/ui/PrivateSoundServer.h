#pragma once

// A private sound server from tools/start-pulse.sh for the tests that play or record: its
// default sink is the null sink "kantilo_null", its clients find it through the environment
// this sets; it ends with the object.

#include <QDir>
#include <QProcess>
#include <QTest>

#include <signal.h>

class CPrivateSoundServer {
public:
    CPrivateSoundServer() = default;
    CPrivateSoundServer(const CPrivateSoundServer&) = delete;
    CPrivateSoundServer& operator=(const CPrivateSoundServer&) = delete;
    ~CPrivateSoundServer() { Stop(); }

    // False when no server can be started here (it needs pulseaudio and its tools).
    bool Start() {
        QProcess start;
        start.start(QStringLiteral("bash"), {qEnvironmentVariable("KANTILO_SOURCE_DIR") +
                                             QStringLiteral("/tools/start-pulse.sh")});
        if (!start.waitForFinished(30000) || start.exitCode() != 0) {
            return false;
        }
        for (const QByteArray& line : start.readAllStandardOutput().split('\n')) {
            const qsizetype equals = line.indexOf('=');
            if (line.startsWith("export ") && equals > 7) {
                qputenv(line.mid(7, equals - 7).constData(), line.mid(equals + 1));
            }
        }
        m_nPid = qEnvironmentVariableIntValue("KANTILO_PULSE_PID");
        return m_nPid > 0;
    }

    // True when the server ended (or none was started).
    bool Stop() {
        if (m_nPid <= 0) {
            return true;
        }
        ::kill(m_nPid, SIGTERM);
        const pid_t nPid = m_nPid;
        m_nPid = 0;
        const bool bEnded = QTest::qWaitFor([nPid] { return ::kill(nPid, 0) != 0; }, 5000);
        QDir(qEnvironmentVariable("KANTILO_PULSE_DIR")).removeRecursively();
        return bEnded;
    }

private:
    pid_t m_nPid = 0;
};
