#pragma once

#include <QFileDialog>

// The "Exportieren" chooser: one filter per format, the chosen filter's extension added to a
// bare name as "Speichern unter" adds ".kt", a typed extension of a known format kept, and the
// question before an existing file is replaced asked about the name that will be written.
class CExportFileDialog : public QFileDialog {
    Q_OBJECT

public:
    CExportFileDialog(QWidget* parent, const QString& suggestedName);

    // The chosen full path after the dialog was accepted, otherwise an empty string.
    QString ChosenPath() const;
    // The path as it will be written: kept when it names a format the program writes,
    // otherwise with the extension of the filter appended.
    static QString WithFilterExtension(const QString& path, const QString& filter);

public slots:
    void accept() override;

private:
    void UseSuffixOf(const QString& filter);
};
