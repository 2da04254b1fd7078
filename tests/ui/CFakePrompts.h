#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

#include "IUserPrompts.h"

// Answers the sampler's prompts in place of a person and remembers what was asked.
class CFakePrompts : public IUserPrompts {
public:
    struct CMessage {
        QWidget* owner;
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                     QMessageBox::Icon icon) override {
        messages.append({owner, title, text, icon});
        if (onMessage) {
            onMessage();
        }
    }

    QString ChooseSongFile(QWidget* owner, const QString& initialDir) override {
        chooserOwners.append(owner);
        chooserDirs.append(initialDir);
        return songFileAnswer;
    }

    QVector<CMessage> messages;
    QVector<QWidget*> chooserOwners;
    QStringList chooserDirs;
    QString songFileAnswer;  // empty: the user cancels the chooser
    std::function<void()> onMessage;
};
