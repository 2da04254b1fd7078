#pragma once

#include <QProcess>
#include <QTest>
#include <QVector>

// Records what the null sink plays, as 16-bit mono samples at a chosen rate.
class CSinkRecorder {
public:
    explicit CSinkRecorder(int rate) : m_nRate(rate) {}
    ~CSinkRecorder() { Finish(); }

    bool Start() {
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("--device=kantilo_null.monitor"), QStringLiteral("--raw"),
                         QStringLiteral("--rate=%1").arg(m_nRate), QStringLiteral("--channels=1"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--latency-msec=20")});
        if (!m_process.waitForStarted(10000)) {
            return false;
        }
        // Recording has begun once the first silence arrives.
        return QTest::qWaitFor([this] { return m_process.bytesAvailable() > 0; }, 10000);
    }

    // Stops recording; the samples from Start on.
    QVector<qint16> Finish() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(10000);
        }
        m_data += m_process.readAllStandardOutput();
        QVector<qint16> samples(m_data.size() / 2);
        for (qsizetype i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<qint16>(static_cast<quint8>(m_data[2 * i]) |
                                             (static_cast<quint8>(m_data[2 * i + 1]) << 8));
        }
        return samples;
    }

private:
    int m_nRate;
    QProcess m_process;
    QByteArray m_data;
};
