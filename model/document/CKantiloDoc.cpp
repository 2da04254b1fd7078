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

void CKantiloDoc::AddNote(CPoint point, int32_t nTool, int32_t bTie) {
    SetModifiedFlag(true);
    if (m_pController) {
        m_pController->AddNote(point, nTool, bTie);
    }
}

void CKantiloDoc::DeleteLastNote() {
    SetModifiedFlag(true);
    if (m_pController) {
        m_pController->DeleteLastNote();
    }
}

CNote* CKantiloDoc::GetFirstNote() {
    return m_pController ? m_pController->GetFirstNote() : nullptr;
}

CNote* CKantiloDoc::GetNextNote(int32_t& bNewBar) {
    bNewBar = 0;
    return m_pController ? m_pController->GetNextNote(bNewBar) : nullptr;
}

CNote* CKantiloDoc::GetSymbol(int32_t nKind) {
    return m_pController ? m_pController->GetSymbol(nKind) : nullptr;
}

void CKantiloDoc::Generate(IProgressSink& sink, const std::string& instrumentPath,
                           const std::string& songPath, int32_t nFilterQuality,
                           int32_t nBaseFrequency) {
    if (m_pController) {
        m_pController->Generate(sink, instrumentPath, songPath, nFilterQuality, nBaseFrequency);
    }
}

CLied* CKantiloDoc::GetSong() {
    return m_pController ? m_pController->GetSong() : nullptr;
}

bool CKantiloDoc::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    m_strTitle = kUntitled;
    m_bModified = false;
    m_pController = std::make_unique<CController>();
    return true;
}

void CKantiloDoc::DeleteContents() {
    m_pController.reset();
}

CKantiloDoc::CResult CKantiloDoc::OnOpenDocument(const std::string& path) {
    CDocumentFile::LoadResult loaded = CDocumentFile::Load(path);
    if (loaded.status == CDocumentFile::Status::openFailed) {
        // Nothing was read: the song and its modified flag stay as they were.
        return CResult{CResult::Kind::FileError, loaded.strMessage};
    }
    if (loaded.status != CDocumentFile::Status::ok || !loaded.pController) {
        OnNewDocument();
        UpdateAllViews();
        std::string message =
            loaded.strMessage.empty() ? CDocumentFile::kOpenFailure : loaded.strMessage;
        return CResult{CResult::Kind::FormatError, std::move(message)};
    }
    DeleteContents();
    m_pController = std::move(loaded.pController);
    SetPathName(path);
    m_bModified = false;
    UpdateAllViews();
    return CResult{};
}

CKantiloDoc::CResult CKantiloDoc::OnSaveDocument(const std::string& path) {
    if (!m_pController) {
        return CResult{CResult::Kind::FileError, CDocumentFile::kSaveFailure};
    }
    if (std::optional<std::string> failure = CDocumentFile::Save(path, *m_pController)) {
        return CResult{CResult::Kind::FileError, std::move(*failure)};
    }
    SetPathName(path);
    m_bModified = false;
    return CResult{};
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
