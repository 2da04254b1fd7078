#pragma once

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <tuple>

#include "CDocumentFlow.h"
#include "CKantiloDoc.h"
#include "CMainFrame.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CRecentFileList.h"
#include "IUserDialogs.h"

using namespace Qt::StringLiterals;

// Answers the program's questions from a script and records what was shown and asked.
class CFakeDialogs : public IUserDialogs {
public:
    using Box = std::tuple<QWidget*, QString, QMessageBox::Icon>;  // owner, title, icon

    void ShowMessage(const QString& text, Icon icon) override {
        messages.append(text);
        icons.append(icon);
    }
    void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                     QMessageBox::Icon icon) override {
        messages.append(text);
        boxes.append({owner, title, icon});
    }
    Answer AskYesNoCancel(const QString& text) override {
        questions.append(text);
        return answer;
    }
    QString GetOpenFileName() override { return openPath; }
    QString GetSaveFileName(const QString& suggested) override {
        return saveSuggestions.append(suggested), savePath;
    }
    QString GetExportFileName(const QString& suggested) override {
        return exportSuggestions.append(suggested), exportPath;
    }
    SRecordingChoice ChooseRecording() override { return {recordingPath, recordingQuarters}; }
    // Whether one box was shown, over owner, with that title and icon.
    bool OneBox(QWidget* owner, const QString& title, QMessageBox::Icon icon) const {
        return boxes == QList<Box>{{owner, title, icon}};
    }
    QString ChooseSongFile(QWidget*, const QString& initialDir) override {
        return chooserDirs.append(initialDir), songFileAnswer;
    }

    Answer answer = Answer::Cancel;
    QString openPath, savePath, exportPath, songFileAnswer, recordingPath;  // empty: cancel
    std::optional<double> recordingQuarters;
    QStringList messages, questions, saveSuggestions, exportSuggestions, chooserDirs;
    QList<Box> boxes;
    QList<Icon> icons;  // of the messages shown without an owner
};

// The main window as the program builds it, over its own folder, settings and fake dialogs.
struct CFrameFixture {
    CFrameFixture()
        : settings(dir.filePath(u"K.conf"_s), QSettings::IniFormat),
          recent(settings),
          frame(doc, dialogs, recent) {}
    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Title() const { return frame.windowTitle(); }

    QTemporaryDir dir;
    QSettings settings;
    CRecentFileList recent;
    CFakeDialogs dialogs;
    CKantiloDoc doc;
    CMainFrame frame;
};

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The song as "pitch/eighths" ("r": rest), ">" after a note tied on, "<" before one tied to.
inline QString Notes(CKantiloDoc& doc) {
    QStringList notes;
    for (const auto& step : doc.GetSheet().Notes()) {
        const SNoteInfo n = step.note.Info();
        const QString what = n.bRest ? u"r"_s : QString::number(n.nPitch);
        notes.append(u"%1%2/%3%4"_s.arg(n.bTieFromPrev ? "<" : "", what)
                         .arg(n.nDuration)
                         .arg(n.bTieToNext ? ">" : ""));
    }
    return notes.join(' ');
}

// Appends n notes of the tool's length at A4.
inline void Enter(CKantiloDoc& doc, int n, int32_t tool = 2) {
    for (int i = 0; i < n; ++i) {
        doc.AddNote(CPoint{0, 31}, static_cast<ETool>(tool), false);
    }
}

// A song of n quarter notes saved at path; the path, or empty when saving failed.
inline QString SaveSong(const QString& path, int notes) {
    CKantiloDoc doc;
    Enter(doc, notes);
    return doc.OnSaveDocument(path.toStdString()).Ok() ? path : QString();
}
