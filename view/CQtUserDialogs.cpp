#include "CQtUserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "CSongFileDialog.h"

const char* const CQtUserDialogs::kFileFilter = "Dateityp Kantil (*.kt);;Alle Dateien (*.*)";

namespace {
const QString kTitle = QStringLiteral("Kantilo");
}

void CQtUserDialogs::ShowMessage(const QString& text, Icon icon) {
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::Information, kTitle,
                    text, QMessageBox::Ok, m_pParent);
    box.exec();
}

IUserDialogs::Answer CQtUserDialogs::AskYesNoCancel(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kTitle, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_pParent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

QString CQtUserDialogs::GetOpenFileName() {
    QFileDialog dialog(m_pParent, QStringLiteral("Öffnen"), QString(),
                       QString::fromUtf8(kFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

QString CQtUserDialogs::GetSaveFileName(const QString& suggestedName) {
    QFileDialog dialog(m_pParent, QStringLiteral("Speichern unter"), QString(),
                       QString::fromUtf8(kFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("kt"));
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

void CQtUserDialogs::ShowMessage(QWidget* owner, const QString& title, const QString& text,
                                 QMessageBox::Icon icon) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

QString CQtUserDialogs::ChooseSongFile(QWidget* owner, const QString& initialDir) {
    CSongFileDialog dialog(owner, initialDir);
    dialog.exec();
    return dialog.ChosenPath();
}
