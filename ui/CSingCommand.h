#pragma once

#include <QObject>

class CMainFrame;
class IUserDialogs;

// "Datei → Melodie einsingen...": records in CSingDlg and makes the melody transcribed from it
// a new song, as "Aus Aufnahme übernehmen..." does for a file.
class CSingCommand : public QObject {
    Q_OBJECT

public:
    CSingCommand(CMainFrame& frame, IUserDialogs& dialogs);

    // Puts the command on the main window's menu entry (the command lives as long as frame).
    static CSingCommand* Attach(CMainFrame& frame, IUserDialogs& dialogs);

    void OnSing();

private:
    CMainFrame& m_frame;
    IUserDialogs& m_dialogs;
};
