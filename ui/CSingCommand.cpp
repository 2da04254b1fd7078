#include "CSingCommand.h"

#include <QAction>

#include "CController.h"
#include "CDocumentFlow.h"
#include "CMainFrame.h"
#include "CRecording.h"
#include "CSingDlg.h"
#include "CTranscriber.h"
#include "CTranscriptionProgress.h"
#include "CommandIds.h"
#include "IUserDialogs.h"

CSingCommand::CSingCommand(CMainFrame& frame, IUserDialogs& dialogs)
    : QObject(&frame), m_frame(frame), m_dialogs(dialogs) {
    connect(frame.Action(ID_FILE_SING), &QAction::triggered, this, &CSingCommand::OnSing);
}

CSingCommand* CSingCommand::Attach(CMainFrame& frame, IUserDialogs& dialogs) {
    return new CSingCommand(frame, dialogs);
}

void CSingCommand::OnSing() {
    if (!m_frame.Flow().SaveModified()) {
        return;
    }
    CSingDlg dlg(&m_frame);
    if (!dlg.Start()) {
        m_dialogs.ShowMessage(QStringLiteral("Es ist kein Eingang für Ton da, von dem Kantilo "
                                             "aufnehmen könnte."),
                              IUserDialogs::Icon::Warning);
        return;
    }
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    const std::unique_ptr<CRecording> pRecording = dlg.TakeRecording();
    if (!pRecording) {
        return;
    }
    const std::optional<double> quarters = dlg.Quarters();
    std::optional<CTranscriber::SResult> result = CTranscriptionProgress::Run(
        &m_frame, [&pRecording, quarters](CTranscriber::SOptions options) {
            options.quarters = quarters;
            return CTranscriber::Transcribe(*pRecording, options,
                                            QStringLiteral("Gesang").toStdString());
        });
    if (result) {
        m_frame.Flow().TakeTranscription(std::move(*result), std::string());
    }
}
