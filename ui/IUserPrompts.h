#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The boxes and choosers that wait for the user. The sampler commands ask through this
// interface so that a test can answer in place of a person.
class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;

    // A message box with a single OK button, modal over owner.
    virtual void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                             QMessageBox::Icon icon) = 0;

    // The save-file chooser for a song; the chosen full path, or an empty string when the
    // user cancelled. An empty initialDir leaves the starting folder to the chooser.
    virtual QString ChooseSongFile(QWidget* owner, const QString& initialDir) = 0;
};
