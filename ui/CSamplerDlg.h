#pragma once

#include <QDialog>
#include <QString>

class IUserDialogs;
class QComboBox;
class QLineEdit;
class QSlider;

// "Sampler": the instrument, the song file, the filter quality and the pitch of the instrument
// recording for one generate run. Nothing chosen here outlives the dialog.
class CSamplerDlg : public QDialog {
    Q_OBJECT

public:
    CSamplerDlg(const QString& songDir, const QString& instrumentDir, IUserDialogs& prompts,
                QWidget* parent = nullptr);

    // Valid after the dialog ended with OK.
    QString GetSongFilePath();  // also keeps the resolved path as the song file text
    QString GetInstrumentFilePath() const;
    int GetFilterQuality() const { return m_nFilterQuality; }
    int GetBaseFrequency() const { return m_nBaseFrequency; }

public slots:
    void accept() override;

private slots:
    void OnBrowse();

private:
    void CreateControls();
    void CreateSliderRow(QSlider*& slider, const char* name, const QString& label, int labelWidth,
                         int top);
    void FillInstrumentList();
    void InitSliders();
    void TransferToMembers();
    void TransferToControls();

    QString m_strSongDir;
    QString m_strInstrumentDir;
    int m_nFilterQuality = 0;
    int m_nBaseFrequency = 0;
    QSlider* m_PitchSlider = nullptr;
    QSlider* m_FilterSlider = nullptr;
    QComboBox* m_InstrumentList = nullptr;
    QLineEdit* m_SongFileEdit = nullptr;
    QString m_strInstrument;
    QString m_strSongFile;
    IUserDialogs& m_prompts;
};
