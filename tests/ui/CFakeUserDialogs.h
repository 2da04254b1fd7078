#pragma once

#include <QStringList>

#include "IUserDialogs.h"

// Answers the editor's file dialogs and questions in place of a person: songs are never saved
// on the way out, the open dialog returns openPath.
class CFakeUserDialogs : public IUserDialogs {
public:
    void ShowMessage(const QString& text, Icon) override { messages.append(text); }
    Answer AskYesNoCancel(const QString&) override { return Answer::No; }
    QString GetOpenFileName() override { return openPath; }
    QString GetSaveFileName(const QString&) override { return savePath; }

    QStringList messages;
    QString openPath;
    QString savePath;
};
