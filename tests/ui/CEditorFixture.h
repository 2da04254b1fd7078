#pragma once

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "CFakePrompts.h"
#include "CFakeUserDialogs.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CLied.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CSamplerCommands.h"
#include "CommandIds.h"

// The editor as the program builds it, with the sampler commands attached and every prompt
// answered by fakes.
class CEditorFixture {
public:
    CEditorFixture()
        : m_settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          m_recent(m_settings),
          frame(doc, dialogs, m_recent),
          commands(new CSamplerCommands(frame, prompts)) {
        frame.resize(800, 600);
        frame.show();
    }

    CKantiloView& View() { return *frame.View(); }
    QAction* Action(int commandId) { return frame.Action(commandId); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString SongFileName() { return QString::fromStdString(doc.GetSong()->GetFileName()); }

    // Runs handler on the modal dialog that trigger opens, while it is open.
    template <typename Dialog>
    static bool OnModal(const std::function<void()>& trigger,
                        const std::function<void(Dialog&)>& handler) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            if (auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                seen = true;
                handler(*dlg);
            }
        });
        trigger();
        return seen;
    }

    // Clicks on the sheet with the current tool, at sheet height y (the view is not scrolled).
    // The clicks are far enough apart in time not to make double-clicks, which add no note.
    void ClickNote(int x, int y) {
        QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y),
                          QApplication::doubleClickInterval() + 50);
    }

    CFakePrompts prompts;
    CFakeUserDialogs dialogs;

private:
    QTemporaryDir m_dir;
    QSettings m_settings;
    CRecentFileList m_recent;

public:
    CKantiloDoc doc;
    CMainFrame frame;
    CSamplerCommands* commands;  // owned by the frame
};
