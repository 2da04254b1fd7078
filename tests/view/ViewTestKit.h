#pragma once

#include <QFile>
#include <QStringList>

#include "CKantiloDoc.h"
#include "CNote.h"
#include "IUserDialogs.h"

using namespace Qt::StringLiterals;

// Answers the editor's questions from a script and records every message, so no box waits
// for a person during a test.
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
    QString GetOpenFileName() override {
        ++openDialogs;
        return openPath;
    }
    QString GetSaveFileName(const QString& suggestedName) override {
        saveSuggestions.append(suggestedName);
        return savePath;
    }

    Answer answer = Answer::Cancel;
    QString openPath;
    QString savePath;
    QStringList messages;
    QList<Icon> icons;
    QStringList questions;
    QStringList saveSuggestions;
    int openDialogs = 0;
};

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The notes of the song as "pitch/eighths" ("r" for a rest), ">" after a note tied to the next,
// "<" before the note tied to it.
inline QString Notes(CKantiloDoc& doc) {
    QStringList notes;
    int32_t bNewBar = 0;
    for (CNote* note = doc.GetFirstNote(); note != nullptr; note = doc.GetNextNote(bNewBar)) {
        int32_t duration = 0, rest = 0, tieTo = 0, tieFrom = 0;
        uint16_t pitch = 0;
        note->GetInfo(duration, pitch, rest, tieTo, tieFrom);
        const QString what = rest ? u"r"_s : QString::number(pitch);
        notes.append(
            u"%1%2/%3%4"_s.arg(tieFrom ? "<" : "", what).arg(duration).arg(tieTo ? ">" : ""));
    }
    return notes.join(' ');
}

// Appends n notes of the tool's length at A4.
inline void Enter(CKantiloDoc& doc, int n, int32_t tool = 2) {
    for (int i = 0; i < n; ++i) {
        doc.AddNote(CPoint{0, 31}, tool, 0);
    }
}

// A song of n quarter notes saved at path.
inline QString SaveSong(const QString& path, int notes) {
    CKantiloDoc doc;
    Enter(doc, notes);
    return doc.OnSaveDocument(path.toStdString()).Ok() ? path : QString();
}
