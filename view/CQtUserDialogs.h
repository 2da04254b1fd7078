#pragma once

#include "IUserDialogs.h"

class QWidget;

// The real dialogs, shown modally over the main window.
class CQtUserDialogs : public IUserDialogs {
public:
    static const char* const kFileFilter;

    void SetParent(QWidget* parent) { m_pParent = parent; }

    void ShowMessage(const QString& text, Icon icon) override;
    Answer AskYesNoCancel(const QString& text) override;
    QString GetOpenFileName() override;
    QString GetSaveFileName(const QString& suggestedName) override;
    QString GetExportFileName(const QString& suggestedName) override;
    SRecordingChoice ChooseRecording() override;
    void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                     QMessageBox::Icon icon) override;
    QString ChooseSongFile(QWidget* owner, const QString& initialDir) override;

private:
    QWidget* m_pParent = nullptr;
};
