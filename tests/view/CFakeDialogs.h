#pragma once

#include <QString>
#include <QStringList>

#include "IUserDialogs.h"

// Answers the editor's questions from a script and records every message, so no box waits
// for a person during a test.
class CFakeDialogs : public IUserDialogs {
public:
    void ShowMessage(const QString& text, Icon icon) override {
        messages.append(text);
        icons.append(icon);
    }
    Answer AskYesNoCancel(const QString& text) override {
        questions.append(text);
        return answer;
    }
    QString GetOpenFileName() override {
        ++openDialogs;
        return openPath;
    }
    QString GetSaveFileName(const QString& suggestedName) override {
        saveSuggestions.append(suggestedName);
        return savePath;
    }

    Answer answer = Answer::Cancel;
    QString openPath;
    QString savePath;
    QStringList messages;
    QList<Icon> icons;
    QStringList questions;
    QStringList saveSuggestions;
    int openDialogs = 0;
};
