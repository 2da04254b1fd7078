#pragma once

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <functional>

#include "CKantiloView.h"
#include "CLied.h"
#include "CPreviewCommands.h"
#include "CSamplerCommands.h"
#include "CSamplerDlg.h"
#include "CSongPlayer.h"
#include "CommandIds.h"
#include "ViewTestKit.h"

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    return child ? child : (qFatal("no child %s", name), nullptr);
}

inline void Click(QWidget& parent, const char* name) {
    QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

// The editor as the program builds it, with the sampler commands; songs are never saved on
// the way out.
struct CEditorFixture : CFrameFixture {
    CEditorFixture() {
        dialogs.answer = IUserDialogs::Answer::No;
        frame.resize(800, 600);
        frame.show();
    }

    CKantiloView& View() { return *frame.View(); }
    QAction* Action(int commandId) { return frame.Action(commandId); }
    QString SongFileName() { return QString::fromStdString(doc.GetSong()->GetFileName()); }
    QString Status() { return frame.statusBar()->currentMessage(); }
    // A click far enough apart in time from the one before not to make a double-click.
    void Click(int x, int y) {
        QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y),
                          QApplication::doubleClickInterval() + 50);
    }

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

    // Opens the sampler dialog, lets setup adjust it and ends it with button; false when no
    // dialog opened.
    bool Generate(const std::function<void(CSamplerDlg&)>& setup = {}, const char* button = "ok") {
        return OnModal<CSamplerDlg>([this] { Action(ID_LIED_GENERIEREN)->trigger(); },
                                    [&](CSamplerDlg& dlg) {
                                        setup ? setup(dlg) : void();
                                        ::Click(dlg, button);
                                    });
    }

    // Notes and a rest entered with the mouse, across more than one bar: eight seconds.
    void EnterSong() {
        const int heights[] = {31, 10, 45, 48, 20, 7, 14, 38, 50};
        for (int i = 0; i < 9; ++i) {
            View().SetTool(i < 8 ? View().Tool() : ETool::eighthRest);  // the last a rest
            Click(80 + 40 * i, heights[i]);
        }
    }

    CSamplerCommands* commands = new CSamplerCommands(frame, dialogs);  // owned by the frame
};

// The editor with the preview commands over its own settings.
struct CPreviewFixture : CEditorFixture {
    CPreviewCommands* preview = CPreviewCommands::Attach(frame, *commands, settings);
};

// The editor program and the example song, as a user calls them.
inline QString KantiloProgram() {
    return qEnvironmentVariable("KANTILO_BINARY_DIR") + u"/kantilo"_s;
}
inline QString ExampleSong() {
    return qEnvironmentVariable("KANTILO_SOURCE_DIR") + u"/examples/beispiel.kt"_s;
}
