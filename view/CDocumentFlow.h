#pragma once

#include <QObject>
#include <QString>

#include "CTranscriber.h"

class CKantiloDoc;
class CRecentFileList;
class IUserDialogs;

// The file commands as the user meets them: New, Open, Save, Save As, the recent files and the
// question before a modified song is dropped. The document does the reading and writing; this
// class asks for paths, shows what went wrong and keeps the recent-file list up to date.
class CDocumentFlow : public QObject {
    Q_OBJECT
public:
    CDocumentFlow(CKantiloDoc& doc, IUserDialogs& dialogs, CRecentFileList& recent,
                  QObject* parent = nullptr);

    bool FileNew();
    bool FileOpen();
    bool FileSave();
    bool FileSaveAs();
    // Writes the song in the format the chosen name's extension names; the document keeps its
    // name, path and modified flag.
    bool FileExport();
    // Asks to save a modified song, then for a recording, and makes its melody a new, modified
    // song titled after the file (a progress dialog shows meanwhile); the notices are shown in
    // one box. False when cancelled (in any dialog) or when the recording holds no melody (said
    // in a box).
    bool FileTranscribe();
    // A transcription becomes the song, titled strTitle, as above.
    bool TakeTranscription(CTranscriber::SResult result, const std::string& strTitle);
    // Opens the recent file at index; one that cannot be opened any more leaves the list.
    bool OpenRecentFile(int index);
    // Opens path after asking to save a modified song. False when cancelled or failed.
    bool OpenDocumentFile(const QString& path);
    // Asks "Änderungen in … speichern?" for a modified song and saves on "Ja". False means
    // the user cancelled (or saving failed) and the song must stay.
    bool SaveModified();

    // "Unbenannt - Kantilo", "lied.kt - Kantilo".
    QString WindowTitle() const;

signals:
    // The song was replaced (new or opened document, or a failed load that left a new one).
    void DocumentReplaced();
    // Title or path changed (after Save As, for example).
    void TitleChanged();
    void RecentFilesChanged();
    // An export was written; fileName is the written file's name without its folder.
    void Exported(const QString& fileName);

private:
    bool OpenWithoutAsking(const QString& path);
    QString ExportedNames(const QString& path) const;
    bool ImportWithoutAsking(const QString& path);
    void ShowNotices(const std::vector<std::string>& notices);
    // The song's name in exported files: its file name without the extension.
    QString SongName() const;
    bool DoSave(const QString& path);
    bool MayReplacePictures(const QString& path);
    void AddToRecent(const QString& path);

    CKantiloDoc& m_doc;
    IUserDialogs& m_dialogs;
    CRecentFileList& m_recent;
};
