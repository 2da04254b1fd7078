#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class CRecording;
class CTempoBox;
class QAudioSource;
class QIODevice;
class QLabel;
class QProgressBar;

// "Melodie einsingen": records from the default sound input while it is open, showing the
// level and the time recorded, and takes the tempo sung at when the singer knows it. "Fertig"
// keeps the recording, "Abbrechen" discards it; it is held in memory only, and ends by itself
// at the longest recording the transcriber takes.
class CSingDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSingDlg(QWidget* parent = nullptr);
    ~CSingDlg() override;

    // Starts recording; false (with nothing started) when there is no sound input.
    bool Start();
    // What was recorded, one channel; null before "Fertig" or when nothing was recorded.
    std::unique_ptr<CRecording> TakeRecording();
    // Seconds recorded so far.
    double Seconds() const;
    // The tempo given, quarters per minute; nothing to have it found.
    std::optional<double> Quarters() const;

    void accept() override;
    void reject() override;

private:
    void ReadInput();
    void ShowProgress();
    void StopInput();

    QAudioSource* m_pSource = nullptr;
    QIODevice* m_pInput = nullptr;
    QAudioFormat m_format;
    std::vector<float> m_samples;
    QByteArray m_pending;  // the start of a frame not yet read whole
    float m_fLevel = 0;    // the loudest sample since the last display
    QElapsedTimer m_elapsed;
    QTimer m_display;
    QProgressBar* m_pLevel;
    QLabel* m_pTime;
    CTempoBox* m_pTempo;
    std::unique_ptr<CRecording> m_pRecording;
};
