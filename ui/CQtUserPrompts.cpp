#include "CQtUserPrompts.h"

#include "CSongFileDialog.h"

void CQtUserPrompts::ShowMessage(QWidget* owner, const QString& title, const QString& text,
                                 QMessageBox::Icon icon) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

QString CQtUserPrompts::ChooseSongFile(QWidget* owner, const QString& initialDir) {
    CSongFileDialog dialog(owner, initialDir);
    dialog.exec();
    return dialog.ChosenPath();
}
