#pragma once

#include "IUserPrompts.h"

// The prompts as the user sees them: Qt message boxes and the song file chooser.
class CQtUserPrompts : public IUserPrompts {
public:
    void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                     QMessageBox::Icon icon) override;
    QString ChooseSongFile(QWidget* owner, const QString& initialDir) override;
};
