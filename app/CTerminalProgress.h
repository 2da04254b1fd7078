#pragma once

#include <iosfwd>
#include <string>

#include "IProgressSink.h"

// Reports a generate run on the command line. On a terminal it shows each stage's text and a
// bar for rendering and filtering, redrawn in place; a failure is always written, as the
// engine's German text on a line of its own.
class CTerminalProgress : public IProgressSink {
public:
    static constexpr int kBarWidth = 40;

    CTerminalProgress(std::ostream& err, bool bInteractive);

    void SetProgressStatus(std::string text) override;
    void StepSamplerProgress() override;
    void StepFilterProgress() override;
    void ShowWarning(const std::string& text) override;

    // Ends a bar that is still open; call once the run is over.
    void Finish();
    bool HasFailed() const { return m_bFailed; }

private:
    void Step(const char* szLabel);
    void EndBarLine();

    std::ostream& m_err;
    bool m_bInteractive;
    bool m_bFailed = false;
    bool m_bBarOpen = false;
    int m_nSteps = 0;
};
