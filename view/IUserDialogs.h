#pragma once

#include <QMessageBox>
#include <QString>

#include <optional>

class QWidget;

// Everything the program asks or tells the user outside its own windows: message boxes and the
// file dialogs, for the editor and the sampler alike. The application uses real dialogs; tests
// put in their own answers.
class IUserDialogs {
public:
    enum class Icon { Warning, Information };
    enum class Answer { Yes, No, Cancel };

    virtual ~IUserDialogs() = default;

    // A message box with an OK button, titled with the application's name.
    virtual void ShowMessage(const QString& text, Icon icon) = 0;
    // "Ja", "Nein", "Abbrechen"; closing the box counts as Cancel.
    virtual Answer AskYesNoCancel(const QString& text) = 0;
    // The path chosen in the "Öffnen" dialog, or empty when cancelled.
    virtual QString GetOpenFileName() = 0;
    // The path chosen in the "Speichern unter" dialog, starting with suggestedName; empty when
    // cancelled.
    virtual QString GetSaveFileName(const QString& suggestedName) = 0;
    // The path chosen in the "Exportieren" dialog, starting with suggestedName and ending with
    // the extension of the chosen format; empty when cancelled.
    virtual QString GetExportFileName(const QString& suggestedName) = 0;

    // A recording (WAV, FLAC, Ogg) chosen to be transcribed, and the tempo it was played at
    // when the user gave one.
    struct SRecordingChoice {
        QString path;                    // empty when cancelled
        std::optional<double> quarters;  // quarters per minute; found in the recording when unset
    };
    // A program without the chooser always cancels.
    virtual SRecordingChoice ChooseRecording() { return {}; }

    // A message box with its own title and a single OK button, modal over owner.
    virtual void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                             QMessageBox::Icon icon) = 0;
    // The save-file chooser for a song; the chosen full path, or an empty string when the
    // user cancelled. An empty initialDir leaves the starting folder to the chooser.
    virtual QString ChooseSongFile(QWidget* owner, const QString& initialDir) = 0;
};
