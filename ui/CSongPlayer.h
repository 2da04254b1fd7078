#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAudioOutput;
class QMediaPlayer;

// Plays a song file in the background. A new song replaces the one playing; Stop silences
// whatever the program plays. A file that is missing or cannot be played gives the system
// beep instead, and no message.
class CSongPlayer : public QObject {
    Q_OBJECT

public:
    explicit CSongPlayer(QObject* parent = nullptr);
    ~CSongPlayer() override;

    void Play(const QString& fileName);
    void Stop();
    bool IsPlaying() const;

    // Replaces the system beep, so that a test can count the beeps.
    void SetBeep(std::function<void()> beep);

    // Chooses the media backend for the process unless the environment already names one.
    // Must run before the first media object is created: main calls it before the application
    // starts.
    static void SelectMediaBackend();

private:
    void OnError();

    QMediaPlayer* m_pPlayer;
    QAudioOutput* m_pOutput;
    std::function<void()> m_beep;
    bool m_bErrorReported = false;
};
