#pragma once

#include <QFileDialog>

// The chooser for the song file: saves WAV files, appends ".wav" to a bare name and asks
// before an existing file is replaced.
class CSongFileDialog : public QFileDialog {
    Q_OBJECT

public:
    CSongFileDialog(QWidget* parent, const QString& initialDir);

    // The chosen full path after the dialog was accepted, otherwise an empty string.
    QString ChosenPath() const;
};
