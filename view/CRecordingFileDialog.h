#pragma once

#include <QFileDialog>

#include "IUserDialogs.h"

class CTempoBox;

// The "Aus Aufnahme übernehmen" chooser: recordings by their usual names (any other name under
// "Alle Dateien": they are told by their content), and below the files the tempo they were
// played at, found in the recording while it says "automatisch".
class CRecordingFileDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit CRecordingFileDialog(QWidget* parent);

    // The recording and tempo chosen after the dialog was accepted; an empty path otherwise.
    IUserDialogs::SRecordingChoice Choice() const;

private:
    CTempoBox* m_pTempo;
};
