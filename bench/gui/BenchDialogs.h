#pragma once

#include "IUserDialogs.h"

// Answers nothing and remembers a warning of the sampler.
class CNoDialogs : public IUserDialogs {
public:
    void ShowMessage(const QString&, Icon) override {}
    Answer AskYesNoCancel(const QString&) override { return Answer::No; }
    QString GetOpenFileName() override { return QString(); }
    QString GetSaveFileName(const QString&) override { return QString(); }
    QString GetExportFileName(const QString&) override { return QString(); }
    void ShowMessage(QWidget*, const QString&, const QString& text, QMessageBox::Icon) override {
        warning = text;
    }
    QString ChooseSongFile(QWidget*, const QString&) override { return QString(); }
    QString warning;
};
