#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "CFileResult.h"
#include "CPoint.h"
#include "ETool.h"

class CController;
class CLied;
class CNote;
class CNotenblatt;
class IProgressSink;

// The one document of the editor: the song (through its controller), the file it came from,
// its title and the modified flag. It is the only road from the view to the song. Dialogs
// and message boxes are the caller's business: open and save return the text to show.
class CKantiloDoc {
public:
    // Starts with a new, empty song titled "Unbenannt".
    CKantiloDoc();
    ~CKantiloDoc();
    CKantiloDoc(const CKantiloDoc&) = delete;
    CKantiloDoc& operator=(const CKantiloDoc&) = delete;

    // Note entry and deletion mark the document modified first, even when nothing changes.
    void AddNote(CPoint point, ETool tool, bool bTie);
    void DeleteLastNote();
    CNote* GetFirstNote();
    CNote* GetNextNote(int32_t& bNewBar);
    const CNote* GetSymbol(int32_t nKind) const;
    void Generate(IProgressSink& sink, const std::string& instrumentPath,
                  const std::string& songPath, int32_t nFilterQuality, int32_t nBaseFrequency);
    CLied* GetSong();
    // The song for readers (layout, export): a const walk that leaves the cursor alone.
    const CNotenblatt& GetSheet() const;
    CController& GetController() { return *m_pController; }
    const CController& GetController() const { return *m_pController; }

    // A new, empty song: no path, the untitled name, not modified.
    bool OnNewDocument();
    // Replaces the song by a new, empty one.
    void DeleteContents();
    // Reads path. On success the document takes its path and file name as title, unmodified.
    // A zero-length file is an empty song.
    CFileResult OnOpenDocument(const std::string& path);
    // Takes a song read from another format: no path, strTitle as title, modified, so that
    // saving asks for a name of its own.
    void TakeImported(std::unique_ptr<CController> pController, const std::string& strTitle);
    // Writes the song to path (the old file stays intact when writing fails). On success the
    // document takes the path and its file name as title and is no longer modified.
    CFileResult OnSaveDocument(const std::string& path);

    const std::string& GetTitle() const { return m_strTitle; }
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& path);
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    // Called when the song has been replaced by a loaded one, so views can redraw.
    void SetUpdateHandler(std::function<void()> handler) { m_onUpdate = std::move(handler); }

    static const char* const kUntitled;

private:
    void UpdateAllViews();

    std::unique_ptr<CController> m_pController;
    std::string m_strTitle;
    std::string m_strPathName;
    bool m_bModified = false;
    std::function<void()> m_onUpdate;
};
