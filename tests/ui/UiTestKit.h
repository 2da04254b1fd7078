#pragma once

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CLied.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CSamplerCommands.h"
#include "CSongPlayer.h"
#include "CommandIds.h"
#include "IUserDialogs.h"

using namespace Qt::StringLiterals;

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    return child ? child : (qFatal("no child %s", name), nullptr);
}

inline void Click(QWidget& parent, const char* name) {
    QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

inline void ChooseInstrument(QWidget& samplerDlg, const QString& name) {
    auto* list = Child<QComboBox>(samplerDlg, "instrumentList");
    list->setCurrentIndex(list->findText(name));
}

// Answers in place of a person and remembers what the sampler asked. The editor's own
// questions: songs are never saved on the way out, Open returns openPath.
class CFakePrompts : public IUserDialogs {
public:
    struct CMessage {
        QWidget* owner;
        QString title, text;
        QMessageBox::Icon icon;
    };
    void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                     QMessageBox::Icon icon) override {
        messages.append({owner, title, text, icon});
        if (onMessage) {
            onMessage();
        }
    }
    QString ChooseSongFile(QWidget*, const QString& initialDir) override {
        return chooserDirs.append(initialDir), songFileAnswer;
    }
    void ShowMessage(const QString&, Icon) override {}
    Answer AskYesNoCancel(const QString&) override { return Answer::No; }
    QString GetOpenFileName() override { return openPath; }
    QString GetSaveFileName(const QString&) override { return QString(); }

    QVector<CMessage> messages;
    QStringList chooserDirs;
    QString songFileAnswer;  // empty: the user cancels the chooser
    std::function<void()> onMessage;
    QString GetExportFileName(const QString&) override { return QString(); }
    QString openPath;
};

// The editor as the program builds it, with the sampler commands and fake prompts.
class CEditorFixture {
    QTemporaryDir m_dir;
    QSettings m_settings;
    CRecentFileList m_recent;

public:
    CEditorFixture()
        : m_settings(m_dir.filePath(u"settings.ini"_s), QSettings::IniFormat),
          m_recent(m_settings),
          frame(doc, prompts, m_recent),
          commands(new CSamplerCommands(frame, prompts)) {
        frame.resize(800, 600);
        frame.show();
    }

    CKantiloView& View() { return *frame.View(); }
    QAction* Action(int commandId) { return frame.Action(commandId); }
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

    // A click with the current tool, far enough from the last not to make a double-click.
    void ClickNote(int x, int y) {
        QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y),
                          QApplication::doubleClickInterval() + 50);
    }

    CFakePrompts prompts;
    CKantiloDoc doc;
    CMainFrame frame;
    CSamplerCommands* commands;  // owned by the frame
};
