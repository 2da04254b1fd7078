#include "CKantiloDoc.h"

#include <filesystem>
#include <utility>

#include "CController.h"
#include "CDocumentFile.h"

const char* const CKantiloDoc::kUntitled = "Unbenannt";

CKantiloDoc::CKantiloDoc() {
    OnNewDocument();
}

CKantiloDoc::~CKantiloDoc() = default;

void CKantiloDoc::AddNote(CPoint point, ETool tool, bool bTie) {
    SetModifiedFlag(true);
    m_pController->AddNote(point, tool, bTie);
}

void CKantiloDoc::DeleteLastNote() {
    SetModifiedFlag(true);
    m_pController->DeleteLastNote();
}

CNote* CKantiloDoc::GetFirstNote() {
    return m_pController->GetFirstNote();
}

CNote* CKantiloDoc::GetNextNote(int32_t& bNewBar) {
    return m_pController->GetNextNote(bNewBar);
}

const CNote* CKantiloDoc::GetSymbol(int32_t nKind) const {
    return m_pController->GetSymbol(nKind);
}

void CKantiloDoc::Generate(IProgressSink& sink, const std::string& instrumentPath,
                           const std::string& songPath, int32_t nFilterQuality,
                           int32_t nBaseFrequency) {
    m_pController->Generate(sink, instrumentPath, songPath, nFilterQuality, nBaseFrequency);
}

const CNotenblatt& CKantiloDoc::GetSheet() const {
    return m_pController->GetSheet();
}

CLied* CKantiloDoc::GetSong() {
    return m_pController->GetSong();
}

bool CKantiloDoc::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    m_strTitle = kUntitled;
    m_bModified = false;
    return true;
}

void CKantiloDoc::DeleteContents() {
    m_pController = std::make_unique<CController>();
}

CFileResult CKantiloDoc::OnOpenDocument(const std::string& path) {
    std::unique_ptr<CController> pLoaded;
    CFileResult result = CDocumentFile::Load(path, pLoaded);
    if (result.kind == CFileResult::Kind::fileError) {
        // Nothing was read: the song and its modified flag stay as they were.
        return result;
    }
    if (!result.Ok()) {
        OnNewDocument();
        UpdateAllViews();
        return result;
    }
    m_pController = std::move(pLoaded);
    SetPathName(path);
    m_bModified = false;
    UpdateAllViews();
    return result;
}

void CKantiloDoc::TakeImported(std::unique_ptr<CController> pController,
                               const std::string& strTitle) {
    m_pController = std::move(pController);
    m_strPathName.clear();
    m_strTitle = strTitle.empty() ? std::string(kUntitled) : strTitle;
    m_bModified = true;
    UpdateAllViews();
}

CFileResult CKantiloDoc::OnSaveDocument(const std::string& path) {
    CFileResult result = CDocumentFile::Save(path, *m_pController);
    if (result.Ok()) {
        SetPathName(path);
        m_bModified = false;
    }
    return result;
}

void CKantiloDoc::SetPathName(const std::string& path) {
    m_strPathName = path;
    const std::string name = std::filesystem::path(path).filename().string();
    m_strTitle = name.empty() ? std::string(kUntitled) : name;
}

void CKantiloDoc::UpdateAllViews() {
    if (m_onUpdate) {
        m_onUpdate();
    }
}
