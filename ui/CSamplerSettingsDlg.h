#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// "Sampler-Einstellungen": the instrument directory and the default song directory, as free
// text. OK takes both fields, Cancel neither.
class CSamplerSettingsDlg : public QDialog {
    Q_OBJECT

public:
    CSamplerSettingsDlg(const QString& songDir, const QString& instrumentDir,
                        QWidget* parent = nullptr);

    QString GetInstrumentDir() const { return m_strInstrumentDir; }
    QString GetSongDir() const { return m_strSongDir; }

public slots:
    void accept() override;

private:
    QLineEdit* AddField(const char* name, const QString& label, int labelWidth, int labelTop,
                        int fieldTop);

    QString m_strInstrumentDir;
    QString m_strSongDir;
    QLineEdit* m_InstrumentDirEdit = nullptr;
    QLineEdit* m_SongDirEdit = nullptr;
};
