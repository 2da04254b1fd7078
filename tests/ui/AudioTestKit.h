#pragma once

// The private sound server (PrivateSoundServer.h) whose null sink the tests play into, a
// recorder of its monitor, and the comparison of what was heard with a song file.

#include <QFile>
#include <QProcess>
#include <QVector>
#include <QtEndian>

#include <algorithm>
#include <cmath>

#include "CWaveFile.h"
#include "PrivateSoundServer.h"

using namespace Qt::StringLiterals;

constexpr int kRate = 44100;  // the null sink's own rate

// Records the null sink's monitor, mono 16-bit at the sink's rate, from Start until Samples.
class CMonitorRecorder {
public:
    bool Start() {
        m_process.start(u"parecord"_s,
                        {u"--device=kantilo_null.monitor"_s, u"--raw"_s, u"--rate=%1"_s.arg(kRate),
                         u"--channels=1"_s, u"--format=s16le"_s, u"--latency-msec=20"_s});
        return m_process.waitForStarted(10000) &&
               QTest::qWaitFor([this] { return m_process.bytesAvailable() > 0; }, 10000);
    }
    QVector<double> Samples() {
        m_process.terminate();
        m_process.waitForFinished(10000);
        const QByteArray data = m_process.readAllStandardOutput();
        QVector<qint16> raw(data.size() / 2);
        qFromLittleEndian<qint16>(data.constData(), raw.size(), raw.data());
        return QVector<double>(raw.begin(), raw.end());
    }

private:
    QProcess m_process;
};

// The mono 16-bit samples of a song file.
inline QVector<double> SongSamples(const QString& path) {
    CWaveFile wave(QFile::encodeName(path).toStdString());
    wave.ReadHeader();
    wave.ReadData();
    return QVector<double>(wave.Samples(), wave.Samples() + wave.GetSize());
}

// The first and one past the last sample above the threshold; (0, 0) for none.
inline std::pair<qsizetype, qsizetype> LoudSpan(const QVector<double>& s, double threshold) {
    const auto loud = [threshold](double v) { return std::abs(v) > threshold; };
    const auto first = std::find_if(s.begin(), s.end(), loud);
    if (first == s.end()) {
        return {0, 0};
    }
    const auto last = std::find_if(s.rbegin(), s.rend(), loud);
    return {first - s.begin(), s.rend() - last};
}

// "" when the recording is the song: its sound as long within 50 ms, and correlated by at
// least 0.99 at the best lag within 200 samples of where their loud parts begin; otherwise
// what differs.
inline QString SoundsUnlike(const QVector<double>& heard, const QVector<double>& song) {
    const auto [heardFirst, heardEnd] = LoudSpan(heard, 300);
    const auto [songFirst, songEnd] = LoudSpan(song, 300);
    if (std::abs((heardEnd - heardFirst) - (songEnd - songFirst)) >= kRate / 20) {
        return u"heard %1 samples, the song has %2"_s.arg(heardEnd - heardFirst)
            .arg(songEnd - songFirst);
    }
    double best = -1;
    for (qsizetype lag = heardFirst - songFirst - 200; lag <= heardFirst - songFirst + 200; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (qsizetype i = 0; i < song.size(); ++i) {
            const qsizetype j = i + lag;
            const double x = j >= 0 && j < heard.size() ? heard[j] : 0.0;
            xy += x * song[i];
            xx += x * x;
            yy += song[i] * song[i];
        }
        if (xx > 0 && yy > 0) {
            best = std::max(best, xy / std::sqrt(xx * yy));
        }
    }
    return best >= 0.99 ? QString() : u"correlation %1"_s.arg(best);
}
