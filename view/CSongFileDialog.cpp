#include "CSongFileDialog.h"

CSongFileDialog::CSongFileDialog(QWidget* parent, const QString& initialDir) : QFileDialog(parent) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix(QStringLiteral("wav"));
    setNameFilters({QStringLiteral("Wavefile (*.wav)"), QStringLiteral("Alle Dateien (*.*)")});
    setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!initialDir.isEmpty()) {
        setDirectory(initialDir);
    }
    // The name field starts as a pattern that shows which files are meant.
    selectFile(QStringLiteral("*.wav"));
}

QString CSongFileDialog::ChosenPath() const {
    if (result() != QDialog::Accepted || selectedFiles().isEmpty()) {
        return QString();
    }
    return selectedFiles().constFirst();
}
