#include "CTranscriptionProgress.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <atomic>
#include <new>
#include <thread>

#include "CController.h"
#include "CEngineFailure.h"

std::optional<CTranscriber::SResult> CTranscriptionProgress::Run(QWidget* pOwner,
                                                                 const Work& work) {
    QProgressDialog dialog(QStringLiteral("Melodie wird übertragen, bitte warten"),
                           QStringLiteral("Abbrechen"), 0, 100, pOwner);
    dialog.setObjectName(QStringLiteral("transcriptionProgress"));
    dialog.setWindowTitle(QStringLiteral("Aufnahme übertragen"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(kShowAfter);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);
    // Read on the worker thread, set on this one.
    std::atomic<bool> bCancelled = false;
    // The button and closing the window say "canceled", Escape says "rejected".
    const auto cancel = [&bCancelled] { bCancelled = true; };
    QObject::connect(&dialog, &QProgressDialog::canceled, cancel);
    QObject::connect(&dialog, &QDialog::rejected, cancel);

    CTranscriber::SOptions options;
    options.progress = [&dialog, &bCancelled](int nPercent) {
        // Queued: the dialog lives on this thread; a report still queued when the dialog goes
        // is dropped with it.
        QMetaObject::invokeMethod(
            &dialog, [&dialog, nPercent] { dialog.setValue(nPercent); }, Qt::QueuedConnection);
        return !bCancelled;
    };
    QEventLoop loop;
    CTranscriber::SResult result;
    std::thread worker([&] {
        try {
            result = work(options);
        } catch (const std::bad_alloc&) {
            result = CTranscriber::SResult();
            result.strMessage = CEngineFailure::kNoMemory;
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    // Cancelled after the work was done is cancelled all the same.
    if (bCancelled || dialog.wasCanceled() || result.bCancelled) {
        return std::nullopt;
    }
    return result;
}
