#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "CSamplerProgressSink.h"
#include "CSongPlayer.h"

class CKantiloDoc;
class CKantiloView;
class CMainFrame;
class CSamplerDlg;
class IUserDialogs;

// The "Sampler" menu of the main window: generate the song, play it, stop it, and edit the two
// sampler directories. It connects to the window's actions and keeps "Lied spielen" enabled
// exactly while the document names a generated song file.
class CSamplerCommands : public QObject {
    Q_OBJECT

public:
    // Lives as long as frame (it becomes its child); prompts must outlive it.
    CSamplerCommands(CMainFrame& frame, IUserDialogs& prompts);
    ~CSamplerCommands() override;

    // Puts the commands on the main window's menu, asking through dialogs (which must outlive
    // the window).
    static CSamplerCommands* Attach(CMainFrame& frame, IUserDialogs& dialogs);

    void OnLiedGenerieren();
    void OnLiedSpielen();
    void OnLiedStoppen();
    void OnEinstellungen();
    // Enables play when the document names a song file; cheap enough to run whenever idle.
    void UpdatePlayAction();

    CSongPlayer& Player() { return m_player; }

signals:
    // Generate is about to open its dialog: any other sound stops first.
    void GenerateStarting();

public:
    CSamplerProgressSink& ProgressSink() { return m_sink; }

private:
    void ConnectActions();
    void RunGenerate(CSamplerDlg& dlg);
    QString SongFileName() const;

    CMainFrame& m_frame;
    CKantiloView& m_view;
    CKantiloDoc& m_doc;
    IUserDialogs& m_prompts;
    CSamplerProgressSink m_sink;
    CSongPlayer m_player;
};
