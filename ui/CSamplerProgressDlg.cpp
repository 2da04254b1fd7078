#include "CSamplerProgressDlg.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>

#include "CDialogUnits.h"

CSamplerProgressDlg::CSamplerProgressDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setModal(false);
    const CDialogUnits dlu(font());
    setFixedSize(dlu.Size(224, 91));
    // Without a caption the window would have no edge at all; the raised panel gives it one.
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    frame->setGeometry(rect());

    m_SamplerProgress = AddBar("samplerProgress", QStringLiteral("Sampler:"), 32, 10, 7);
    m_FilterProgress = AddBar("filterProgress", QStringLiteral("Filter:"), 18, 8, 39);
    m_StatusLabel = new QLabel(m_strStatus, this);
    m_StatusLabel->setObjectName(QStringLiteral("status"));
    m_StatusLabel->setGeometry(dlu.Rect(7, 76, 210, 8));
}

QProgressBar* CSamplerProgressDlg::AddBar(const char* name, const QString& label, int labelWidth,
                                          int labelHeight, int top) {
    const CDialogUnits dlu(font());
    dlu.PlaceLabel(*new QLabel(label, this), 7, top, labelWidth, labelHeight);
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, kSteps);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setGeometry(dlu.Rect(41, top, 176, 10));
    return bar;
}

// A bar that is full starts again from the beginning.
void CSamplerProgressDlg::Step(QProgressBar* bar) {
    const int next = bar->value() + 1;
    bar->setValue(next > kSteps ? 0 : next);
    bar->repaint();
}

void CSamplerProgressDlg::StepSampler() {
    Step(m_SamplerProgress);
}

void CSamplerProgressDlg::StepFilter() {
    Step(m_FilterProgress);
}

void CSamplerProgressDlg::SetStatus(const QString& status) {
    m_strStatus = status;
    m_StatusLabel->setText(m_strStatus);
    m_StatusLabel->repaint();
}

int CSamplerProgressDlg::SamplerPosition() const {
    return m_SamplerProgress->value();
}

int CSamplerProgressDlg::FilterPosition() const {
    return m_FilterProgress->value();
}
