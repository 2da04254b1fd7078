#pragma once

#include <string>

#include "IProgressSink.h"

// A sink for runs nobody watches (benchmarks, fuzzing): it shows nothing and keeps only the
// last warning, so the caller can still tell a failed run.
class CSilentProgressSink : public IProgressSink {
public:
    void SetProgressStatus(std::string) override {}
    void StepSamplerProgress() override {}
    void StepFilterProgress() override {}
    void ShowWarning(const std::string& text) override { m_strWarning = text; }

    const std::string& Warning() const { return m_strWarning; }

private:
    std::string m_strWarning;
};
