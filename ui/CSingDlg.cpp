#include "CSingDlg.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "CRecording.h"
#include "CTempoBox.h"

namespace {
// The level bar shows the loudest sample in dB from this much below full scale.
constexpr int kLevelRange = 60;
constexpr int kDisplayMilliseconds = 100;
}  // namespace

CSingDlg::CSingDlg(QWidget* parent)
    : QDialog(parent),
      m_pLevel(new QProgressBar(this)),
      m_pTime(new QLabel(this)),
      m_pTempo(new CTempoBox(this)) {
    setWindowTitle(QStringLiteral("Melodie einsingen"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Singen oder spielen Sie die Melodie."), this));
    m_pLevel->setRange(0, kLevelRange);
    m_pLevel->setTextVisible(false);
    layout->addWidget(m_pLevel);
    layout->addWidget(m_pTime);
    auto* tempo = new QFormLayout;
    tempo->addRow(QStringLiteral("Tem&po:"), m_pTempo);
    layout->addLayout(tempo);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* done = buttons->addButton(QStringLiteral("Fertig"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    // The singer ends with Enter or the space bar; the tempo is set before, if at all.
    done->setDefault(true);
    done->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &CSingDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSingDlg::reject);
    layout->addWidget(buttons);
    connect(&m_display, &QTimer::timeout, this, &CSingDlg::ShowProgress);
    ShowProgress();
}

CSingDlg::~CSingDlg() {
    StopInput();
}

bool CSingDlg::Start() {
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        return false;
    }
    m_format.setSampleRate(44100);
    m_format.setChannelCount(1);
    m_format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(m_format)) {
        m_format = device.preferredFormat();
    }
    m_pSource = new QAudioSource(device, m_format, this);
    m_pInput = m_pSource->start();
    if (m_pInput == nullptr) {
        StopInput();
        return false;
    }
    connect(m_pInput, &QIODevice::readyRead, this, &CSingDlg::ReadInput);
    m_elapsed.start();
    m_display.start(kDisplayMilliseconds);
    return true;
}

// Whole frames, each the mean of its channels.
void CSingDlg::ReadInput() {
    const int nFrameBytes = m_format.bytesPerFrame();
    const int nSampleBytes = m_format.bytesPerSample();
    if (m_pInput == nullptr || nFrameBytes <= 0) {
        return;
    }
    // Some backends do not tell how much is there: everything is read, a partial frame kept.
    const QByteArray data = m_pending + m_pInput->readAll();
    m_pending = data.right(data.size() % nFrameBytes);
    const size_t nLimit = size_t(CRecording::kMaxSeconds * m_format.sampleRate());
    for (qsizetype at = 0; at + nFrameBytes <= data.size() && m_samples.size() < nLimit;
         at += nFrameBytes) {
        float fSum = 0;
        for (int c = 0; c < m_format.channelCount(); ++c) {
            fSum += m_format.normalizedSampleValue(data.constData() + at + c * nSampleBytes);
        }
        m_samples.push_back(fSum / float(m_format.channelCount()));
        m_fLevel = std::max(m_fLevel, std::abs(m_samples.back()));
    }
    if (m_samples.size() >= nLimit) {
        accept();
    }
}

// The display's tick also reads: not every backend says when data is ready.
void CSingDlg::ShowProgress() {
    ReadInput();
    const double fDb = 20 * std::log10(std::max(m_fLevel, 1e-6f));
    m_pLevel->setValue(std::clamp(int(std::lround(fDb)) + kLevelRange, 0, kLevelRange));
    m_fLevel = 0;
    const int nSeconds = int(Seconds());
    m_pTime->setText(QStringLiteral("Aufgenommen: %1:%2")
                         .arg(nSeconds / 60)
                         .arg(nSeconds % 60, 2, 10, QLatin1Char('0')));
}

double CSingDlg::Seconds() const {
    return m_format.sampleRate() > 0 ? double(m_samples.size()) / m_format.sampleRate() : 0;
}

std::optional<double> CSingDlg::Quarters() const {
    return m_pTempo->Quarters();
}

void CSingDlg::StopInput() {
    m_display.stop();
    if (m_pSource != nullptr) {
        m_pSource->stop();
        delete m_pSource;
        m_pSource = nullptr;
    }
    m_pInput = nullptr;
}

void CSingDlg::accept() {
    if (m_pInput != nullptr) {
        ReadInput();
    }
    StopInput();
    if (!m_samples.empty()) {
        m_pRecording =
            std::make_unique<CRecording>(uint32_t(m_format.sampleRate()), std::move(m_samples));
    }
    m_samples.clear();
    QDialog::accept();
}

void CSingDlg::reject() {
    StopInput();
    m_samples.clear();
    m_samples.shrink_to_fit();
    QDialog::reject();
}

std::unique_ptr<CRecording> CSingDlg::TakeRecording() {
    return std::move(m_pRecording);
}
