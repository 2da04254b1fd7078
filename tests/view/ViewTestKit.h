#pragma once

#include <QFile>
#include <QStringList>

#include "CKantiloDoc.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "IUserDialogs.h"

using namespace Qt::StringLiterals;

// Answers the editor's questions from a script and records what was shown and asked.
class CFakeDialogs : public IUserDialogs {
public:
    void ShowMessage(const QString& text, Icon icon) override {
        messages.append(text);
        icons.append(icon);
    }
    Answer AskYesNoCancel(const QString& text) override {
        questions.append(text);
        return answer;
    }
    QString GetOpenFileName() override { return ++openDialogs, openPath; }
    QString GetSaveFileName(const QString& suggested) override {
        return saveSuggestions.append(suggested), savePath;
    }
    QString GetExportFileName(const QString& suggested) override {
        return exportSuggestions.append(suggested), exportPath;
    }
    void ShowMessage(QWidget*, const QString&, const QString& text, QMessageBox::Icon) override {
        messages.append(text);
    }
    QString ChooseSongFile(QWidget*, const QString&) override { return QString(); }

    Answer answer = Answer::Cancel;
    QString openPath, savePath, exportPath;
    QStringList messages, questions, saveSuggestions, exportSuggestions;
    QList<Icon> icons;
    int openDialogs = 0;
};

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
