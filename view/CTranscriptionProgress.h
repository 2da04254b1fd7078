#pragma once

#include <functional>
#include <optional>

#include "CTranscriber.h"

class QWidget;

// Runs a transcription on a worker thread while a progress dialog ("Aufnahme übertragen") over
// the owner shows how far it is: the window keeps drawing itself, and "Abbrechen" stops the
// work. Whatever the work found by then is dropped, so the caller's song stays as it was.
class CTranscriptionProgress {
public:
    using Work = std::function<CTranscriber::SResult(const CTranscriber::SOptions&)>;

    // The work's result, or nothing when the user cancelled. work is called on the worker
    // thread with options whose progress reports to the dialog.
    static std::optional<CTranscriber::SResult> Run(QWidget* pOwner, const Work& work);

    // The dialog shows only when the work lasts longer than this (milliseconds): a short
    // recording is written down before a window could flash up.
    static constexpr int kShowAfter = 400;
};
