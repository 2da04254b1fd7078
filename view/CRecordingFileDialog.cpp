#include "CRecordingFileDialog.h"

#include <QGridLayout>
#include <QLabel>

#include "CTempoBox.h"

CRecordingFileDialog::CRecordingFileDialog(QWidget* parent)
    : QFileDialog(parent, QStringLiteral("Aus Aufnahme übernehmen"), QString(),
                  QStringLiteral("Aufnahmen (*.wav *.flac *.ogg *.oga);;Alle Dateien (*)")),
      m_pTempo(new CTempoBox(this)) {
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    // A desktop's own chooser has no room for the tempo.
    setOption(QFileDialog::DontUseNativeDialog);
    auto* label = new QLabel(QStringLiteral("Tem&po:"), this);
    label->setBuddy(m_pTempo);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int nRow = grid->rowCount();
        grid->addWidget(label, nRow, 0);
        grid->addWidget(m_pTempo, nRow, 1);
    }
}

IUserDialogs::SRecordingChoice CRecordingFileDialog::Choice() const {
    if (result() != QDialog::Accepted || selectedFiles().isEmpty()) {
        return {};
    }
    return {selectedFiles().constFirst(), m_pTempo->Quarters()};
}
