#include "CSamplerDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

#include "CDialogUnits.h"
#include "CSamplerDefaults.h"
#include "CSamplerPaths.h"
#include "IUserDialogs.h"

namespace {

constexpr int kFilterTickInterval = 5;

}  // namespace

CSamplerDlg::CSamplerDlg(const QString& songDir, const QString& instrumentDir,
                         IUserDialogs& prompts, QWidget* parent)
    : QDialog(parent),
      m_strSongDir(songDir),
      m_strInstrumentDir(instrumentDir),
      m_strSongFile(CSamplerPaths::kDefaultSong),
      m_prompts(prompts) {
    setWindowTitle(QStringLiteral("Sampler"));
    CreateControls();
    TransferToControls();
    FillInstrumentList();
    InitSliders();
}

void CSamplerDlg::CreateControls() {
    const CDialogUnits dlu(font());
    setFixedSize(dlu.Size(241, 215));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(dlu.Rect(184, 194, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CSamplerDlg::accept);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(dlu.Rect(7, 194, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &CSamplerDlg::reject);

    m_InstrumentList = new QComboBox(this);
    m_InstrumentList->setObjectName(QStringLiteral("instrumentList"));
    const QRect listRect = dlu.Rect(52, 22, 68, 12);
    m_InstrumentList->setGeometry(
        listRect.x(), listRect.y(), listRect.width(),
        std::max(listRect.height(), m_InstrumentList->sizeHint().height()));
    dlu.PlaceLabel(*new QLabel(QStringLiteral("Instrument:"), this), 7, 23, 41, 8);

    m_SongFileEdit = new QLineEdit(this);
    m_SongFileEdit->setObjectName(QStringLiteral("songFile"));
    m_SongFileEdit->setReadOnly(true);
    m_SongFileEdit->setGeometry(dlu.Rect(52, 56, 127, 12));
    dlu.PlaceLabel(*new QLabel(QStringLiteral("Liedpfad:"), this), 7, 59, 29, 8);
    auto* browse = new QPushButton(QStringLiteral("&Browse"), this);
    browse->setObjectName(QStringLiteral("browse"));
    browse->setAutoDefault(false);
    browse->setGeometry(dlu.Rect(189, 56, 37, 12));
    connect(browse, &QPushButton::clicked, this, &CSamplerDlg::OnBrowse);

    CreateSliderRow(m_FilterSlider, "filterSlider", QStringLiteral("Filterqualität:"), 39, 105);
    CreateSliderRow(m_PitchSlider, "pitchSlider", QStringLiteral("Tonhöhe des Instrumentes:"), 82,
                    155);
}

// A slider row: label on the left, "tief" and "hoch" under the two ends of the slider.
void CSamplerDlg::CreateSliderRow(QSlider*& slider, const char* name, const QString& label,
                                  int labelWidth, int top) {
    const CDialogUnits dlu(font());
    dlu.PlaceLabel(*new QLabel(label, this), 5, top, labelWidth, 8);
    slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setGeometry(dlu.Rect(100, top, 122, 11));
    dlu.PlaceLabel(*new QLabel(QStringLiteral("tief"), this), 100, top + 16, 10, 8);
    auto* high = new QLabel(QStringLiteral("hoch"), this);
    high->setAlignment(Qt::AlignRight | Qt::AlignTop);
    dlu.PlaceLabel(*high, 210, top + 16, 16, 8);
}

void CSamplerDlg::FillInstrumentList() {
    m_InstrumentList->addItems(CSamplerPaths::InstrumentNames(m_strInstrumentDir));
    m_InstrumentList->setCurrentIndex(m_InstrumentList->findText(CSamplerPaths::kStandard));
}

void CSamplerDlg::InitSliders() {
    m_FilterSlider->setRange(CSamplerDefaults::kMinQuality, CSamplerDefaults::kMaxQuality);
    m_FilterSlider->setTickInterval(kFilterTickInterval);
    m_FilterSlider->setValue(CSamplerDefaults::kDefaultQuality);
    m_PitchSlider->setRange(0, CSamplerPaths::kPitchPositions - 1);
    m_PitchSlider->setTickInterval(1);
    m_PitchSlider->setValue(CSamplerPaths::kDefaultPitchPosition);
}

void CSamplerDlg::TransferToMembers() {
    m_strInstrument = m_InstrumentList->currentText();
    m_strSongFile = m_SongFileEdit->text();
}

void CSamplerDlg::TransferToControls() {
    const int index = m_InstrumentList->findText(m_strInstrument);
    if (index >= 0) {
        m_InstrumentList->setCurrentIndex(index);
    }
    m_SongFileEdit->setText(m_strSongFile);
}

void CSamplerDlg::OnBrowse() {
    TransferToMembers();
    const QString chosen = m_prompts.ChooseSongFile(this, m_strSongDir);
    if (!chosen.isEmpty()) {
        m_strSongFile = chosen;
    }
    TransferToControls();
}

void CSamplerDlg::accept() {
    TransferToMembers();
    m_nFilterQuality = m_FilterSlider->value();
    m_nBaseFrequency = CSamplerPaths::BaseFrequency(m_PitchSlider->value());
    TransferToControls();
    if (m_strSongFile.isEmpty()) {
        m_prompts.ShowMessage(this, QStringLiteral("Kantilo"),
                              QStringLiteral("Es wurde keine Lieddatei angegeben!"),
                              QMessageBox::NoIcon);
        return;
    }
    TransferToMembers();
    QDialog::accept();
}

QString CSamplerDlg::GetSongFilePath() {
    m_strSongFile = CSamplerPaths::SongFilePath(m_strSongFile, m_strSongDir);
    return m_strSongFile;
}

QString CSamplerDlg::GetInstrumentFilePath() const {
    return CSamplerPaths::InstrumentFilePath(m_strInstrument, m_strInstrumentDir);
}
