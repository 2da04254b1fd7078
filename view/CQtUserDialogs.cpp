#include "CQtUserDialogs.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>

#include "CExportFileDialog.h"
#include "CRecordingFileDialog.h"
#include "CSongFileDialog.h"

const char* const CQtUserDialogs::kFileFilter = "Dateityp Kantil (*.kt);;Alle Dateien (*.*)";

namespace {
const QString kTitle = QStringLiteral("Kantilo");

// Opened by import; the patterns are separated by ";" as in the other programs' dialogs.
const char* const kMusicXmlFilter = "MusicXML-Dateien (*.musicxml;*.xml;*.mxl)";

// The dialog's own file list splits patterns at spaces only; it is told the MusicXML patterns
// one by one.
void ShowMusicXmlFiles(QFileDialog& dialog) {
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        QFileSystemModel* model = dialog.findChild<QFileSystemModel*>();
        if (model != nullptr && f == QString::fromUtf8(kMusicXmlFilter)) {
            model->setNameFilters(
                {QStringLiteral("*.musicxml"), QStringLiteral("*.xml"), QStringLiteral("*.mxl")});
        }
    });
}
}  // namespace

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
    QFileDialog dialog(
        m_pParent, QStringLiteral("Öffnen"), QString(),
        QString::fromUtf8(kFileFilter) + QStringLiteral(";;") + QString::fromUtf8(kMusicXmlFilter));
    ShowMusicXmlFiles(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

IUserDialogs::SRecordingChoice CQtUserDialogs::ChooseRecording() {
    CRecordingFileDialog dialog(m_pParent);
    dialog.exec();
    return dialog.Choice();
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

QString CQtUserDialogs::GetExportFileName(const QString& suggestedName) {
    CExportFileDialog dialog(m_pParent, suggestedName);
    dialog.exec();
    return dialog.ChosenPath();
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
