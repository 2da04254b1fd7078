#include "CSamplerCommands.h"

#include <QAction>
#include <QFile>
#include <QMenu>

#include "CDocumentFlow.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CLied.h"
#include "CMainFrame.h"
#include "CSamplerDlg.h"
#include "CSamplerSettingsDlg.h"
#include "CommandIds.h"

namespace {

// Ends the progress reports of one run however it ends: the view forgets the dialog, the
// dialog goes.
class CRunGuard {
public:
    CRunGuard(CKantiloView& view, CSamplerProgressSink& sink) : m_view(view), m_sink(sink) {}
    ~CRunGuard() {
        m_view.SetProgressDelegate(nullptr);
        m_sink.DestroyProgressDlg();
    }
    CRunGuard(const CRunGuard&) = delete;
    CRunGuard& operator=(const CRunGuard&) = delete;

private:
    CKantiloView& m_view;
    CSamplerProgressSink& m_sink;
};

}  // namespace

CSamplerCommands::CSamplerCommands(CMainFrame& frame, IUserDialogs& prompts)
    : QObject(&frame),
      m_frame(frame),
      m_view(*frame.View()),
      m_doc(frame.Document()),
      m_prompts(prompts),
      m_sink(*frame.View(), prompts) {
    ConnectActions();
    UpdatePlayAction();
}

CSamplerCommands::~CSamplerCommands() = default;

CSamplerCommands* CSamplerCommands::Attach(CMainFrame& frame, IUserDialogs& dialogs) {
    return new CSamplerCommands(frame, dialogs);
}

void CSamplerCommands::ConnectActions() {
    connect(m_frame.Action(ID_LIED_GENERIEREN), &QAction::triggered, this,
            &CSamplerCommands::OnLiedGenerieren);
    connect(m_frame.Action(ID_LIED_SPIELEN), &QAction::triggered, this,
            &CSamplerCommands::OnLiedSpielen);
    connect(m_frame.Action(ID_LIED_STOPPEN), &QAction::triggered, this,
            &CSamplerCommands::OnLiedStoppen);
    connect(m_frame.Action(ID_EINSTELLUNGEN), &QAction::triggered, this,
            &CSamplerCommands::OnEinstellungen);
    // The song file name changes only by generating (see OnLiedGenerieren) and when New or
    // Open replaces the song; a menu that shows play checks it afresh as well.
    for (QObject* object : m_frame.Action(ID_LIED_SPIELEN)->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(object)) {
            connect(menu, &QMenu::aboutToShow, this, &CSamplerCommands::UpdatePlayAction);
        }
    }
    connect(&m_frame.Flow(), &CDocumentFlow::DocumentReplaced, this,
            &CSamplerCommands::UpdatePlayAction);
}

QString CSamplerCommands::SongFileName() const {
    const CLied* song = m_doc.GetSong();
    return song ? QFile::decodeName(QByteArray::fromStdString(song->GetFileName())) : QString();
}

void CSamplerCommands::UpdatePlayAction() {
    m_frame.Action(ID_LIED_SPIELEN)->setEnabled(!SongFileName().isEmpty());
}

void CSamplerCommands::OnLiedGenerieren() {
    emit GenerateStarting();
    CSamplerDlg dlg(m_view.SongDir(), m_view.InstrumentDir(), m_prompts, &m_frame);
    m_sink.CreateProgressDlg();
    {
        CRunGuard guard(m_view, m_sink);
        if (dlg.exec() == QDialog::Accepted) {
            RunGenerate(dlg);
        }
    }
    UpdatePlayAction();
}

void CSamplerCommands::RunGenerate(CSamplerDlg& dlg) {
    m_sink.CenterProgressDlg();
    const QString songPath = dlg.GetSongFilePath();
    const QString instrumentPath = dlg.GetInstrumentFilePath();
    const int baseFrequency = dlg.GetBaseFrequency();
    const int filterQuality = dlg.GetFilterQuality();
    m_view.SetProgressDelegate(&m_sink);
    m_doc.Generate(m_view, QFile::encodeName(instrumentPath).toStdString(),
                   QFile::encodeName(songPath).toStdString(), filterQuality, baseFrequency);
}

void CSamplerCommands::OnLiedSpielen() {
    m_player.Play(SongFileName());
}

void CSamplerCommands::OnLiedStoppen() {
    m_player.Stop();
}

void CSamplerCommands::OnEinstellungen() {
    CSamplerSettingsDlg dlg(m_view.SongDir(), m_view.InstrumentDir(), &m_frame);
    if (dlg.exec() == QDialog::Accepted) {
        m_view.SetSongDir(dlg.GetSongDir());
        m_view.SetInstrumentDir(dlg.GetInstrumentDir());
    }
}
