#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;

// The small window shown while a song is generated: a "Sampler:" bar for rendering the notes,
// a "Filter:" bar for filtering and a status line. Generation runs without an event loop, so
// every change is drawn before the call returns.
class CSamplerProgressDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kSteps = 100;

    explicit CSamplerProgressDlg(QWidget* parent = nullptr);

    void StepSampler();
    void StepFilter();
    void SetStatus(const QString& status);

    int SamplerPosition() const;
    int FilterPosition() const;
    QString Status() const { return m_strStatus; }

private:
    QProgressBar* AddBar(const char* name, const QString& label, int labelWidth, int labelHeight,
                         int top);
    static void Step(QProgressBar* bar);

    QProgressBar* m_FilterProgress = nullptr;
    QProgressBar* m_SamplerProgress = nullptr;
    QLabel* m_StatusLabel = nullptr;
    QString m_strStatus;
};
