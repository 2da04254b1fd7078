#include "CSamplerSettingsDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "CDialogUnits.h"

CSamplerSettingsDlg::CSamplerSettingsDlg(const QString& songDir, const QString& instrumentDir,
                                         QWidget* parent)
    : QDialog(parent), m_strInstrumentDir(instrumentDir), m_strSongDir(songDir) {
    setWindowTitle(QStringLiteral("Sampler-Einstellungen"));
    const CDialogUnits dlu(font());
    setFixedSize(dlu.Size(307, 125));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(dlu.Rect(250, 104, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CSamplerSettingsDlg::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(dlu.Rect(7, 104, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &CSamplerSettingsDlg::reject);

    m_InstrumentDirEdit =
        AddField("instrumentDir",
                 QStringLiteral("Pfad, in dem die Instrumente abgespeichert sind:"), 154, 7, 20);
    m_SongDirEdit = AddField(
        "songDir", QStringLiteral("Defaultpfad, in dem die Lieder gespeichert werden sollen:"), 183,
        47, 63);
    m_InstrumentDirEdit->setText(m_strInstrumentDir);
    m_SongDirEdit->setText(m_strSongDir);
}

QLineEdit* CSamplerSettingsDlg::AddField(const char* name, const QString& label, int labelWidth,
                                         int labelTop, int fieldTop) {
    const CDialogUnits dlu(font());
    dlu.PlaceLabel(*new QLabel(label, this), 7, labelTop, labelWidth, 8);
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(dlu.Rect(7, fieldTop, 293, 12));
    return field;
}

void CSamplerSettingsDlg::accept() {
    m_strInstrumentDir = m_InstrumentDirEdit->text();
    m_strSongDir = m_SongDirEdit->text();
    QDialog::accept();
}
