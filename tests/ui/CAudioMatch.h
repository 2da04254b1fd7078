#pragma once

#include <QFile>
#include <QVector>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdlib>

// Compares a recording with the song that was played into it.
class CAudioMatch {
public:
    struct CAlignment {
        int lag = 0;             // recording index of the song's first sample
        double correlation = 0;  // normalised, -1 to 1
    };

    // The samples of a 16-bit PCM WAV file, channels mixed to one; empty when it is not one.
    static QVector<qint16> ReadWav(const QString& path, int& rate) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const QByteArray wav = file.readAll();
        int channels = 0;
        int bits = 0;
        for (qsizetype pos = 12; pos + 8 <= wav.size();) {
            const QByteArray id = wav.mid(pos, 4);
            const qsizetype size = qFromLittleEndian<quint32>(wav.constData() + pos + 4);
            const char* body = wav.constData() + pos + 8;
            if (id == "fmt ") {
                channels = qFromLittleEndian<quint16>(body + 2);
                rate = static_cast<int>(qFromLittleEndian<quint32>(body + 4));
                bits = qFromLittleEndian<quint16>(body + 14);
            } else if (id == "data" && bits == 16 && channels > 0) {
                const qsizetype frames = std::min(size, wav.size() - pos - 8) / (2 * channels);
                QVector<qint16> samples(frames);
                for (qsizetype i = 0; i < frames; ++i) {
                    int sum = 0;
                    for (int c = 0; c < channels; ++c) {
                        sum += qFromLittleEndian<qint16>(body + 2 * (i * channels + c));
                    }
                    samples[i] = static_cast<qint16>(sum / channels);
                }
                return samples;
            }
            pos += 8 + size + (size & 1);
        }
        return {};
    }

    // The lag at which the song fits the recording best: first by the loudness envelopes,
    // then sample by sample around that.
    static CAlignment Align(const QVector<qint16>& recording, const QVector<qint16>& song) {
        constexpr int kBlock = 64;
        const QVector<double> envRec = Envelope(recording, kBlock);
        const QVector<double> envSong = Envelope(song, kBlock);
        CAlignment coarse = BestLag(envRec, envSong, 0, envRec.size() - envSong.size());
        QVector<double> rec(recording.begin(), recording.end());
        QVector<double> ref(song.begin(), song.end());
        const int from = std::max(0, coarse.lag * kBlock - 2 * kBlock);
        const int to =
            std::min(static_cast<int>(rec.size() - ref.size()), coarse.lag * kBlock + 2 * kBlock);
        return BestLag(rec, ref, from, to);
    }

    // First and one past the last sample louder than threshold; (0, 0) for silence.
    static std::pair<int, int> SoundingRange(const QVector<qint16>& samples, int threshold) {
        int first = -1;
        int last = -1;
        for (int i = 0; i < samples.size(); ++i) {
            if (std::abs(int(samples[i])) > threshold) {
                first = first < 0 ? i : first;
                last = i;
            }
        }
        return first < 0 ? std::make_pair(0, 0) : std::make_pair(first, last + 1);
    }

    static int Peak(const QVector<qint16>& samples) {
        int peak = 0;
        for (const qint16 s : samples) {
            peak = std::max(peak, std::abs(int(s)));
        }
        return peak;
    }

private:
    static QVector<double> Envelope(const QVector<qint16>& samples, int block) {
        QVector<double> envelope(samples.size() / block);
        for (int i = 0; i < envelope.size(); ++i) {
            for (int j = 0; j < block; ++j) {
                envelope[i] += std::abs(double(samples[i * block + j]));
            }
        }
        return envelope;
    }

    static CAlignment BestLag(const QVector<double>& rec, const QVector<double>& ref, int from,
                              int to) {
        CAlignment best{0, -2};
        double refEnergy = 0;
        for (const double v : ref) {
            refEnergy += v * v;
        }
        for (int lag = from; lag <= to; ++lag) {
            double dot = 0;
            double recEnergy = 0;
            for (int i = 0; i < ref.size(); ++i) {
                dot += rec[lag + i] * ref[i];
                recEnergy += rec[lag + i] * rec[lag + i];
            }
            const double norm = std::sqrt(refEnergy * recEnergy);
            const double correlation = norm > 0 ? dot / norm : 0;
            if (correlation > best.correlation) {
                best = {lag, correlation};
            }
        }
        return best;
    }
};
