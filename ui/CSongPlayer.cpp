#include "CSongPlayer.h"

#include <QApplication>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

// The GStreamer backend plays WAV files through the PulseAudio server when there is one and
// fails cleanly when there is none; other backends were seen to crash without a sound server.
void CSongPlayer::SelectMediaBackend() {
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) {
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    }
}

CSongPlayer::CSongPlayer(QObject* parent)
    : QObject(parent),
      m_pPlayer(new QMediaPlayer(this)),
      m_pOutput(new QAudioOutput(this)),
      m_beep([] { QApplication::beep(); }) {
    m_pPlayer->setAudioOutput(m_pOutput);
    connect(m_pPlayer, &QMediaPlayer::errorOccurred, this, &CSongPlayer::OnError);
}

CSongPlayer::~CSongPlayer() {
    m_pPlayer->stop();
}

void CSongPlayer::Play(const QString& fileName) {
    Stop();
    // Clearing the source makes the player read the file afresh, so a song generated again
    // under the same name is heard as it is now, from its beginning.
    m_pPlayer->setSource(QUrl());
    m_bErrorReported = false;
    const QFileInfo file(fileName);
    if (!file.isFile() || !file.isReadable()) {
        m_beep();
        return;
    }
    m_pPlayer->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    m_pPlayer->play();
}

void CSongPlayer::Stop() {
    m_pPlayer->stop();
}

bool CSongPlayer::IsPlaying() const {
    return m_pPlayer->playbackState() == QMediaPlayer::PlayingState;
}

void CSongPlayer::SetBeep(std::function<void()> beep) {
    m_beep = std::move(beep);
}

// A broken file may report several errors; one beep is enough.
void CSongPlayer::OnError() {
    if (!m_bErrorReported) {
        m_bErrorReported = true;
        m_pPlayer->stop();
        m_beep();
    }
}
