#include "CSamplerProgressSink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include "CSamplerProgressDlg.h"
#include "IUserDialogs.h"

CSamplerProgressSink::CSamplerProgressSink(QWidget& view, IUserDialogs& prompts)
    : m_view(view), m_prompts(prompts) {}

CSamplerProgressSink::~CSamplerProgressSink() = default;

void CSamplerProgressSink::SetProgressStatus(std::string text) {
    if (m_pProgressDlg) {
        m_pProgressDlg->SetStatus(QString::fromStdString(text));
    }
}

void CSamplerProgressSink::StepSamplerProgress() {
    if (m_pProgressDlg) {
        m_pProgressDlg->StepSampler();
    }
}

void CSamplerProgressSink::StepFilterProgress() {
    if (m_pProgressDlg) {
        m_pProgressDlg->StepFilter();
    }
}

void CSamplerProgressSink::ShowWarning(const std::string& text) {
    m_prompts.ShowMessage(&m_view, QStringLiteral("Warnung!"), QString::fromStdString(text),
                          QMessageBox::Warning);
}

QPoint CSamplerProgressSink::CenteredTopLeft(const QRect& view, const QRect& dialog) {
    // C++ integer division truncates toward zero, which is the rounding wanted here.
    return QPoint(view.left() + (view.width() - dialog.width()) / 2,
                  view.top() + (view.height() - dialog.height()) / 2);
}

void CSamplerProgressSink::CenterProgressDlg() {
    if (!m_pProgressDlg) {
        return;
    }
    const QRect view(m_view.mapToGlobal(QPoint(0, 0)), m_view.size());
    m_pProgressDlg->move(CenteredTopLeft(view, m_pProgressDlg->frameGeometry()));
    m_pProgressDlg->show();
    m_pProgressDlg->raise();
    WaitUntilExposed(*m_pProgressDlg);
    m_pProgressDlg->repaint();
}

// Drawing on a window that the window system has not mapped yet is lost, and generation runs
// without an event loop, so the window system's own events are let in here, for a short
// while at most. Input stays queued until the run is over.
void CSamplerProgressSink::WaitUntilExposed(QWidget& window) {
    constexpr int kMaxWaitMs = 500;
    QElapsedTimer waited;
    waited.start();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    while (window.windowHandle() && !window.windowHandle()->isExposed() &&
           waited.elapsed() < kMaxWaitMs) {
        QThread::msleep(5);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void CSamplerProgressSink::CreateProgressDlg() {
    m_pProgressDlg = std::make_unique<CSamplerProgressDlg>(&m_view);
    // The window exists from now on, hidden, so its frame is known when it is centred.
    m_pProgressDlg->winId();
}

void CSamplerProgressSink::DestroyProgressDlg() {
    m_pProgressDlg.reset();
}
