#include "CTerminalProgress.h"

#include <algorithm>
#include <ostream>

namespace {
// A stage steps about a hundred times; a few more never overfill the bar.
const int kFullBar = 100;
}  // namespace

CTerminalProgress::CTerminalProgress(std::ostream& err, bool bInteractive)
    : m_err(err), m_bInteractive(bInteractive) {}

void CTerminalProgress::SetProgressStatus(std::string text) {
    EndBarLine();
    m_nSteps = 0;
    if (m_bInteractive) {
        m_err << text << '\n' << std::flush;
    }
}

void CTerminalProgress::StepSamplerProgress() {
    Step("Sampler:");
}

void CTerminalProgress::StepFilterProgress() {
    Step("Filter:");
}

void CTerminalProgress::ShowWarning(const std::string& text) {
    EndBarLine();
    m_bFailed = true;
    m_err << text << '\n' << std::flush;
}

void CTerminalProgress::Finish() {
    EndBarLine();
}

void CTerminalProgress::Step(const char* szLabel) {
    const int before = std::min(m_nSteps, kFullBar);
    ++m_nSteps;
    const int percent = std::min(m_nSteps, kFullBar);
    if (!m_bInteractive || (m_bBarOpen && percent == before)) {
        return;
    }
    const int filled = percent * kBarWidth / kFullBar;
    m_err << '\r' << szLabel << " [" << std::string(size_t(filled), '#')
          << std::string(size_t(kBarWidth - filled), ' ') << "] " << percent << " %" << std::flush;
    m_bBarOpen = true;
}

void CTerminalProgress::EndBarLine() {
    if (m_bBarOpen) {
        m_err << '\n' << std::flush;
        m_bBarOpen = false;
    }
}
