#pragma once

#include <QAudio>
#include <QByteArray>
#include <QObject>
#include <QString>

class CLied;
class QAudioSink;
class QBuffer;

// Plays a song held in memory on the default audio output through a QAudioSink that pulls
// the samples as the device needs them. One sound at a time: a new one replaces the old.
class CPreviewPlayer : public QObject {
    Q_OBJECT

public:
    // The status-bar text when there is nothing to play on.
    static const QString kNoDevice;
    // The buffer asked of the sink. The PulseAudio sink of Qt 6.4 never starts pulling with
    // less than about 60 ms, and a busy machine made gaps into 60 ms (the sink refills it
    // every 20 ms from the event loop); the server's target is three quarters of it.
    static constexpr int kBufferMs = 150;

    explicit CPreviewPlayer(QObject* parent = nullptr);
    ~CPreviewPlayer() override;

    // Plays the song's first nFrames frames (all when negative), the last nFadeFrames of them
    // faded out to silence. False when there is no audio output; nothing plays then.
    bool Play(const CLied& song, qint64 nFrames = -1, qint64 nFadeFrames = 0);
    // Lets the sound go on with the frames of song from nFromFrame on, where what plays ends
    // now (song holds the same samples before that).
    void Extend(const CLied& song, qint64 nFromFrame);
    void Stop();
    bool IsPlaying() const;
    // How far the device has played the sound, by its own clock, in microseconds; 0 before
    // the first sample sounds.
    qint64 PlayedUSecs() const;
    // The bytes handed to the device so far (for measuring the start).
    qint64 BytesHanded() const;

signals:
    // The sound ended by itself: it played to its end, or the device gave up (not after Stop).
    void Finished();

private:
    void OnStateChanged(QAudio::State state);
    static qint64 TailBytes(const CLied& song);
    static QByteArray Pcm(const CLied& song, qint64 nFirst, qint64 nFrames, qint64 nFadeFrames);

    QAudioSink* m_pSink = nullptr;
    QBuffer* m_pBuffer = nullptr;
    QByteArray m_pcm;
    qint64 m_nSoundBytes = 0;  // m_pcm without the silence after the sound
};
