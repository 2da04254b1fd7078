#pragma once

#include <QPoint>
#include <QRect>

#include <memory>
#include <string>

#include "IProgressSink.h"

class CSamplerProgressDlg;
class IUserDialogs;
class QWidget;

// Reports a generate run in the editor: the stages and steps go to the progress dialog of the
// running command, a failure to a "Warnung!" box over the view. Without a progress dialog the
// reports are dropped, so the engine can run without one.
class CSamplerProgressSink : public IProgressSink {
public:
    CSamplerProgressSink(QWidget& view, IUserDialogs& prompts);
    ~CSamplerProgressSink() override;

    void SetProgressStatus(std::string text) override;
    void StepSamplerProgress() override;
    void StepFilterProgress() override;
    void ShowWarning(const std::string& text) override;

    // Places the progress dialog over the middle of the view, shows it and draws it.
    void CenterProgressDlg();

    // A fresh, hidden progress dialog for one run, its bars at 0 and its status line empty.
    void CreateProgressDlg();
    void DestroyProgressDlg();
    CSamplerProgressDlg* ProgressDlg() const { return m_pProgressDlg.get(); }

    // Where a window of size dialog goes to stand centred over view (both in screen
    // coordinates); the halves are truncated toward zero.
    static QPoint CenteredTopLeft(const QRect& view, const QRect& dialog);

private:
    static void WaitUntilExposed(QWidget& window);

    QWidget& m_view;
    IUserDialogs& m_prompts;
    std::unique_ptr<CSamplerProgressDlg> m_pProgressDlg;
};
