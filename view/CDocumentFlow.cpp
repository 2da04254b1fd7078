#include "CDocumentFlow.h"

#include <QFileInfo>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "CController.h"
#include "CExchangeFormat.h"
#include "CKantiloDoc.h"
#include "CMusicXmlReader.h"
#include "CRecentFileList.h"
#include "CScorePages.h"
#include "CTranscriptionProgress.h"
#include "IUserDialogs.h"

namespace {
QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}
std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

// Writes the song in the format the target's extension names; the message when that fails.
// Pages and pictures carry the song's name without extension, as the command line's do, so
// both write the same bytes.
CFileResult ExportSong(const CKantiloDoc& doc, const std::string& title,
                       const std::string& target) {
    const CExchangeFormat::Kind kind = CExchangeFormat::FromPath(target);
    if (!CExchangeFormat::IsPage(kind)) {
        return CExchangeFormat::Write(kind, doc.GetSheet(), title, target);
    }
    std::string failure =
        CScorePages::Save(doc.GetSheet(), title, target, CScorePages::FormatOf(kind));
    return failure.empty() ? CFileResult() : CFileResult::FileError(std::move(failure));
}
}  // namespace

CDocumentFlow::CDocumentFlow(CKantiloDoc& doc, IUserDialogs& dialogs, CRecentFileList& recent,
                             QObject* parent)
    : QObject(parent), m_doc(doc), m_dialogs(dialogs), m_recent(recent) {}

QString CDocumentFlow::WindowTitle() const {
    return FromUtf8(m_doc.GetTitle()) + QStringLiteral(" - Kantilo");
}

bool CDocumentFlow::FileNew() {
    if (!SaveModified()) {
        return false;
    }
    m_doc.OnNewDocument();
    emit DocumentReplaced();
    return true;
}

bool CDocumentFlow::FileOpen() {
    if (!SaveModified()) {
        return false;
    }
    const QString path = m_dialogs.GetOpenFileName();
    return !path.isEmpty() && OpenWithoutAsking(path);
}

bool CDocumentFlow::OpenDocumentFile(const QString& path) {
    return SaveModified() && OpenWithoutAsking(path);
}

bool CDocumentFlow::OpenRecentFile(int index) {
    const QString path = m_recent.Files().value(index);
    if (path.isEmpty() || !SaveModified()) {
        return false;
    }
    if (OpenWithoutAsking(path)) {
        return true;
    }
    // Still listed when the open failed: it is gone or unreadable, so it leaves the list.
    const int stale = static_cast<int>(m_recent.Files().indexOf(path));
    if (stale >= 0) {
        m_recent.Remove(stale);
        emit RecentFilesChanged();
    }
    return false;
}

bool CDocumentFlow::OpenWithoutAsking(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (CExchangeFormat::IsScore(CExchangeFormat::FromPath(ToUtf8(path)))) {
        return ImportWithoutAsking(absolute);
    }
    const CFileResult result = m_doc.OnOpenDocument(ToUtf8(absolute));
    if (result.kind == CFileResult::Kind::fileError) {
        m_dialogs.ShowMessage(FromUtf8(result.message), IUserDialogs::Icon::Warning);
        return false;
    }
    if (result.kind == CFileResult::Kind::formatError) {
        m_dialogs.ShowMessage(FromUtf8(result.message), IUserDialogs::Icon::Warning);
        emit DocumentReplaced();
        return false;
    }
    AddToRecent(absolute);
    emit DocumentReplaced();
    return true;
}

// A score becomes a new song named after its title, else its file; it is modified, so that
// saving asks for a .kt name and never writes over the score. What the import changed is told
// once the song shows. A refused score leaves the song as it was.
bool CDocumentFlow::ImportWithoutAsking(const QString& absolute) {
    CMusicXmlReader::SResult imported = CMusicXmlReader::Load(ToUtf8(absolute));
    if (!imported.pController) {
        m_dialogs.ShowMessage(FromUtf8(imported.strMessage), IUserDialogs::Icon::Warning);
        return false;
    }
    // A title is a file name here: no folder or line break may hide in it.
    std::string title = imported.strTitle;
    std::replace(title.begin(), title.end(), '/', '-');
    std::replace_if(title.begin(), title.end(),
                    [](char c) { return static_cast<unsigned char>(c) < ' '; }, ' ');
    m_doc.TakeImported(std::move(imported.pController),
                       title.empty() ? CExchangeFormat::TitleFromPath(ToUtf8(absolute)) : title);
    AddToRecent(absolute);
    emit DocumentReplaced();
    ShowNotices(imported.notices);
    return true;
}

bool CDocumentFlow::FileTranscribe() {
    if (!SaveModified()) {
        return false;
    }
    const IUserDialogs::SRecordingChoice choice = m_dialogs.ChooseRecording();
    if (choice.path.isEmpty()) {
        return false;
    }
    const std::string strPath = ToUtf8(choice.path);
    std::optional<CTranscriber::SResult> result = CTranscriptionProgress::Run(
        qobject_cast<QWidget*>(parent()), [&strPath, &choice](CTranscriber::SOptions options) {
            options.quarters = choice.quarters;
            return CTranscriber::TranscribeFile(strPath, options);
        });
    return result && TakeTranscription(std::move(*result), CExchangeFormat::TitleFromPath(strPath));
}

// Like an imported score, the melody is a new song that saving asks a name for.
bool CDocumentFlow::TakeTranscription(CTranscriber::SResult result, const std::string& strTitle) {
    if (!result.pController) {
        m_dialogs.ShowMessage(FromUtf8(result.strMessage), IUserDialogs::Icon::Warning);
        return false;
    }
    m_doc.TakeImported(std::move(result.pController), strTitle);
    emit DocumentReplaced();
    emit TitleChanged();
    ShowNotices(result.notices);
    return true;
}

// What an import or a transcription changed, in one box once the song shows.
void CDocumentFlow::ShowNotices(const std::vector<std::string>& notices) {
    if (notices.empty()) {
        return;
    }
    QStringList lines;
    for (const std::string& strNotice : notices) {
        lines.append(FromUtf8(strNotice));
    }
    m_dialogs.ShowMessage(lines.join(u'\n'), IUserDialogs::Icon::Information);
}

QString CDocumentFlow::SongName() const {
    const std::string& path = m_doc.GetPathName();
    return FromUtf8(path.empty() ? m_doc.GetTitle() : CExchangeFormat::TitleFromPath(path));
}

bool CDocumentFlow::FileExport() {
    const QString path = m_dialogs.GetExportFileName(SongName());
    if (path.isEmpty() || !MayReplacePictures(QFileInfo(path).absoluteFilePath())) {
        return false;
    }
    const CFileResult exported =
        ExportSong(m_doc, ToUtf8(SongName()), ToUtf8(QFileInfo(path).absoluteFilePath()));
    if (!exported.Ok()) {
        m_dialogs.ShowMessage(FromUtf8(exported.message), IUserDialogs::Icon::Warning);
        return false;
    }
    emit Exported(ExportedNames(QFileInfo(path).absoluteFilePath()));
    return true;
}

// What the export wrote, as the status bar names it: a picture of several pages is a run of
// numbered files, not the name the dialog gave.
QString CDocumentFlow::ExportedNames(const QString& path) const {
    const int pages = CExchangeFormat::FromPath(ToUtf8(path)) == CExchangeFormat::Kind::png
                          ? CScorePages::PageCount(m_doc.GetSheet())
                          : 1;
    if (pages <= 1) {
        return QFileInfo(path).fileName();
    }
    const auto name = [&](int page) {
        return QFileInfo(FromUtf8(CScorePages::PngPagePath(ToUtf8(path), page, pages))).fileName();
    };
    return name(1) + QStringLiteral(" … ") + name(pages);
}

// A picture of several pages goes to numbered files the dialog did not ask about.
bool CDocumentFlow::MayReplacePictures(const QString& path) {
    if (CExchangeFormat::FromPath(ToUtf8(path)) != CExchangeFormat::Kind::png) {
        return true;
    }
    const int pages = CScorePages::PageCount(m_doc.GetSheet());
    QStringList existing;
    for (int page = 1; pages > 1 && page <= pages; ++page) {
        const QString file = FromUtf8(CScorePages::PngPagePath(ToUtf8(path), page, pages));
        if (QFileInfo::exists(file)) {
            existing.append(QFileInfo(file).fileName());
        }
    }
    return existing.isEmpty() ||
           m_dialogs.AskYesNoCancel(QStringLiteral("Die Bilder %1 sind schon vorhanden.\n"
                                                   "Sollen sie ersetzt werden?")
                                        .arg(existing.join(QStringLiteral(", ")))) ==
               IUserDialogs::Answer::Yes;
}

bool CDocumentFlow::FileSave() {
    const QString path = FromUtf8(m_doc.GetPathName());
    return path.isEmpty() ? FileSaveAs() : DoSave(path);
}

bool CDocumentFlow::FileSaveAs() {
    QString suggested = FromUtf8(m_doc.GetTitle());
    if (m_doc.GetPathName().empty() && !suggested.endsWith(QStringLiteral(".kt"))) {
        suggested += QStringLiteral(".kt");
    }
    const QString path = m_dialogs.GetSaveFileName(suggested);
    return !path.isEmpty() && DoSave(QFileInfo(path).absoluteFilePath());
}

bool CDocumentFlow::DoSave(const QString& path) {
    const CFileResult result = m_doc.OnSaveDocument(ToUtf8(path));
    if (!result.Ok()) {
        m_dialogs.ShowMessage(FromUtf8(result.message), IUserDialogs::Icon::Warning);
        return false;
    }
    AddToRecent(path);
    emit TitleChanged();
    return true;
}

bool CDocumentFlow::SaveModified() {
    if (!m_doc.IsModified()) {
        return true;
    }
    const QString question =
        QStringLiteral("Änderungen in %1 speichern?").arg(FromUtf8(m_doc.GetTitle()));
    switch (m_dialogs.AskYesNoCancel(question)) {
        case IUserDialogs::Answer::Yes:
            return FileSave();
        case IUserDialogs::Answer::No:
            return true;
        case IUserDialogs::Answer::Cancel:
            break;
    }
    return false;
}

void CDocumentFlow::AddToRecent(const QString& path) {
    m_recent.Add(path);
    emit RecentFilesChanged();
}
