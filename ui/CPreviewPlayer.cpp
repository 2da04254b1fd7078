#include "CPreviewPlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <algorithm>

#include "CLied.h"
#include "CWaveFile.h"

const QString CPreviewPlayer::kNoDevice = QStringLiteral("Keine Audioausgabe gefunden.");

namespace {
// Silence after the sound, so that the device has played the last samples before the sink
// reports that it ran dry and is stopped.
constexpr int kTailMs = 150;
}  // namespace

CPreviewPlayer::CPreviewPlayer(QObject* parent) : QObject(parent) {}

CPreviewPlayer::~CPreviewPlayer() {
    Stop();
}

// The samples as the device takes them: 16-bit signed or 8-bit unsigned, little-endian,
// channels interleaved as in the song.
QByteArray CPreviewPlayer::Pcm(const CLied& song, qint64 nFirst, qint64 nFrames,
                               qint64 nFadeFrames) {
    const int channels = song.IsStereo() ? 2 : 1;
    const bool bEight = song.GetBitsPerSample() == 8;
    const qint64 total = std::max<qint64>(0, song.GetSize() / channels - nFirst);
    const qint64 frames = nFrames < 0 ? total : std::min(nFrames, total);
    const int width = bEight ? 1 : 2;
    QByteArray pcm(frames * channels * width + TailBytes(song), char(song.SilenceValue()));
    const int16_t* in = song.Samples() + nFirst * channels;
    auto* out = reinterpret_cast<unsigned char*>(pcm.data());
    const qint64 fadeStart = frames - std::clamp<qint64>(nFadeFrames, 0, frames);
    for (qint64 f = 0; f < frames; ++f) {
        const float factor = f < fadeStart ? 1.0f : float(frames - f) / float(frames - fadeStart);
        for (int c = 0; c < channels; ++c) {
            int16_t value = in[f * channels + c];
            if (f >= fadeStart) {
                value = CWaveFile::ScaleValue(value, factor, song.GetBitsPerSample());
            }
            // The bytes a song file holds.
            if (bEight) {
                *out++ = static_cast<unsigned char>(value);
            } else {
                *out++ = static_cast<unsigned char>(value & 0xFF);
                *out++ = static_cast<unsigned char>((value >> 8) & 0xFF);
            }
        }
    }
    return pcm;
}

qint64 CPreviewPlayer::TailBytes(const CLied& song) {
    return qint64(song.GetSampleRate()) * kTailMs / 1000 * (song.IsStereo() ? 2 : 1) *
           (song.GetBitsPerSample() == 8 ? 1 : 2);
}

bool CPreviewPlayer::Play(const CLied& song, qint64 nFrames, qint64 nFadeFrames) {
    Stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || song.GetSize() == 0) {
        return !device.isNull();
    }
    QAudioFormat format;
    format.setSampleRate(int(song.GetSampleRate()));
    format.setChannelCount(song.IsStereo() ? 2 : 1);
    format.setSampleFormat(song.GetBitsPerSample() == 8 ? QAudioFormat::UInt8
                                                        : QAudioFormat::Int16);
    m_pcm = Pcm(song, 0, nFrames, nFadeFrames);
    m_nSoundBytes = m_pcm.size() - TailBytes(song);
    m_pBuffer = new QBuffer(&m_pcm, this);
    m_pBuffer->open(QIODevice::ReadOnly);
    m_pSink = new QAudioSink(device, format, this);
    m_pSink->setBufferSize(format.bytesForDuration(kBufferMs * 1000));
    connect(m_pSink, &QAudioSink::stateChanged, this, &CPreviewPlayer::OnStateChanged);
    m_pSink->start(m_pBuffer);
    if (m_pSink->error() != QAudio::NoError) {
        Stop();
        return false;
    }
    return true;
}

void CPreviewPlayer::Extend(const CLied& song, qint64 nFromFrame) {
    if (m_pBuffer == nullptr) {
        return;
    }
    // The buffer is read on this thread only, between events: it may grow in place.
    QByteArray& data = m_pBuffer->buffer();
    data.truncate(m_nSoundBytes);
    const QByteArray rest = Pcm(song, nFromFrame, -1, 0);
    data.append(rest);
    m_nSoundBytes = data.size() - TailBytes(song);
}

void CPreviewPlayer::Stop() {
    if (m_pSink != nullptr) {
        m_pSink->disconnect(this);
        // reset drops what the device still holds; stop alone would let it play out.
        m_pSink->reset();
        m_pSink->stop();
        m_pSink->deleteLater();
        m_pSink = nullptr;
    }
    if (m_pBuffer != nullptr) {
        m_pBuffer->deleteLater();
        m_pBuffer = nullptr;
    }
}

bool CPreviewPlayer::IsPlaying() const {
    return m_pSink != nullptr;
}

qint64 CPreviewPlayer::PlayedUSecs() const {
    return m_pSink != nullptr ? m_pSink->processedUSecs() : 0;
}

qint64 CPreviewPlayer::BytesHanded() const {
    return m_pBuffer != nullptr ? m_pBuffer->pos() : 0;
}

void CPreviewPlayer::OnStateChanged(QAudio::State state) {
    // Idle in the middle means the device ran ahead of the buffer; it goes on by itself.
    const bool bAtEnd = m_pBuffer != nullptr && m_pBuffer->atEnd();
    if ((state == QAudio::IdleState && bAtEnd) || state == QAudio::StoppedState) {
        // The buffer is shared with the sink until it has gone.
        QMetaObject::invokeMethod(
            this,
            [this] {
                Stop();
                emit Finished();
            },
            Qt::QueuedConnection);
        m_pSink->disconnect(this);
    }
}
