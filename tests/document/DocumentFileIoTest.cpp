#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "CFileError.h"
#include "CKantiloDoc.h"
#include "CLied.h"
#include "RecordingSink.h"
#include "SheetProbe.h"
#include "TestFiles.h"

TEST(DocumentFileIo, SaveKeepsModesAndLinksAndLoadsBack) {
    ScratchDir dir;
    CController song;
    for (int i = 0; i < 11; ++i) {
        Click(song, kPitches[7 + i % 3], 2);
    }
    ASSERT_EQ(CDocumentFile::Save(dir.File("lied.kt"), song), std::nullopt);
    EXPECT_EQ(ReadBytes(dir.File("lied.kt")), CDocumentFile::Store(song));
    CDocumentFile::LoadResult loaded = CDocumentFile::Load(dir.File("lied.kt"));
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok);
    EXPECT_EQ(CDocumentFile::Store(*loaded.pController), CDocumentFile::Store(song));

    WriteBytes(dir.File("alt.kt"), {1, 2, 3});
    ASSERT_EQ(chmod(dir.File("alt.kt").c_str(), 0640), 0);
    std::filesystem::create_symlink("alt.kt", dir.File("link.kt"));
    ASSERT_EQ(CDocumentFile::Save(dir.File("link.kt"), song), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.kt")));
    EXPECT_EQ(int(std::filesystem::status(dir.File("alt.kt")).permissions()), 0640);
    EXPECT_EQ(ReadBytes(dir.File("alt.kt")), CDocumentFile::Store(song));

    mode_t old = umask(027);
    std::optional<std::string> result = CDocumentFile::Save(dir.File("neu.kt"), song);
    umask(old);
    ASSERT_EQ(result, std::nullopt);
    EXPECT_EQ(int(std::filesystem::status(dir.File("neu.kt")).permissions()), 0640);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"alt.kt", "lied.kt", "link.kt", "neu.kt"}));
}

TEST(DocumentFileIo, FailuresNameThePath) {
    ScratchDir dir;
    WriteBytes(dir.File("datei"), {});
    std::filesystem::create_directory(dir.File("ordner.kt"));
    const std::string kMissing = " wurde nicht gefunden.",
                      kInvalid = " enthält eine ungültige Pfadangabe.";
    const struct {
        std::string strPath, strSuffix;
        bool bSaveToo;
    } kCases[] = {{dir.File("fehlt.kt"), kMissing, false},
                  {dir.File("fehlt/lied.kt"), kMissing, true},
                  {dir.File("ordner.kt"), kInvalid, true},
                  {dir.File("datei/x.kt"), kInvalid, false}};
    for (const auto& c : kCases) {
        CDocumentFile::LoadResult loaded = CDocumentFile::Load(c.strPath);
        EXPECT_EQ(loaded.status, CDocumentFile::Status::openFailed);
        EXPECT_EQ(loaded.strMessage, c.strPath + c.strSuffix);
        if (c.bSaveToo) {
            EXPECT_EQ(CDocumentFile::Save(c.strPath, CController()), c.strPath + c.strSuffix);
        }
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"datei", "ordner.kt"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("ordner.kt")));

    const std::string p = "/x/y.kt";
    const std::pair<int, std::string> kTexts[] = {
        {ENOENT, "/x/y.kt wurde nicht gefunden."},
        {EACCES, "Zugriff auf /x/y.kt wurde verwehrt."},
        {EPERM, "Zugriff auf /x/y.kt wurde verwehrt."},
        {ENOSPC, "Beim Zugriff auf /x/y.kt wurde ein voller Datenträger gemeldet."},
        {EIO, "Ein Hardware-E/A-Fehler wurde während des Zugriffs auf /x/y.kt gemeldet."},
        {EMFILE, "/x/y.kt konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind."},
        {ENFILE, "/x/y.kt konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind."},
        {ENAMETOOLONG, "/x/y.kt enthält eine ungültige Pfadangabe."},
        {EXDEV, "Ein unbekannter Fehler ist beim Zugriff auf /x/y.kt aufgetreten."}};
    for (const auto& [nErrno, strText] : kTexts) {
        EXPECT_EQ(CFileError::TextFromErrno(nErrno, p), strText) << nErrno;
    }
    EXPECT_EQ(CFileError::Text(CFileError::none, p), "Kein Fehler aufgetreten.");
    EXPECT_EQ(CFileError::Text(CFileError::removeCurrentDir, p),
              "Das Verzeichnis /x/y.kt konnte nicht entfernt werden, da es das aktuelle "
              "Verzeichnis ist. ");
    EXPECT_EQ(CFileError::Text(CFileError::endOfFile, "%1"),
              "Es wurde versucht, auf eine Stelle hinter dem Ende von %1 zuzugreifen.");
}

// The new file outgrows the limit part-way: the old one stays, and no temporary file is left.
TEST(DocumentFileIo, FailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    ScratchDir dir;
    const std::string strPath = dir.File("lied.kt");
    CKantiloDoc doc;
    Click(doc, 440, 2);
    ASSERT_TRUE(doc.OnSaveDocument(strPath).Ok());
    const Bytes before = ReadBytes(strPath);
    for (int i = 0; i < 400; ++i) {
        Click(doc, 440, 1);
    }
    EXPECT_TRUE(PassesWithFileLimit(4096, [&] {
        const CKantiloDoc::CResult result = doc.OnSaveDocument(strPath);
        return !result.Ok() && doc.IsModified() &&
               (result.message == strPath + " wurde nicht gefunden." ||
                result.message ==
                    "Beim Zugriff auf " + strPath + " wurde ein voller Datenträger gemeldet.");
    }));
    EXPECT_EQ(ReadBytes(strPath), before);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"lied.kt"}));
}

TEST(KantiloDoc, EditingMarksModifiedEvenWithoutChange) {
    CKantiloDoc doc;
    EXPECT_EQ(doc.GetTitle(), "Unbenannt");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetSymbol(3)->GetBitmapId(), 4810);
    doc.AddNote(CPoint{200, 3}, 4, 0);  // above the staff: nothing added
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
    doc.OnNewDocument();
    EXPECT_FALSE(doc.IsModified());
    doc.DeleteLastNote();  // nothing to delete
    EXPECT_TRUE(doc.IsModified());
    doc.AddNote(CPoint{200, 31}, 4, 0);
    doc.AddNote(CPoint{5, 75 + 48}, 2, 0);
    doc.DeleteLastNote();
    EXPECT_EQ(Score(doc), "4114");
}

TEST(KantiloDoc, OpenSaveAndFailedOpens) {
    ScratchDir dir;
    const std::string strPath = dir.File("lied.kt");
    {
        CKantiloDoc doc;
        Click(doc, 440, 2);
        Click(doc, 704, 8);  // split over the bar line
        ASSERT_TRUE(doc.OnSaveDocument(strPath).Ok());
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(doc.GetTitle(), "lied.kt");
        EXPECT_EQ(doc.GetPathName(), strPath);
        EXPECT_EQ(doc.OnSaveDocument(dir.File("nicht/da.kt")).message,
                  dir.File("nicht/da.kt") + " wurde nicht gefunden.");
        EXPECT_EQ(doc.GetTitle(), "lied.kt");
    }
    CKantiloDoc doc;
    Click(doc, 440, 1);
    int nUpdates = 0;
    doc.SetUpdateHandler([&] { ++nUpdates; });
    ASSERT_TRUE(doc.OnOpenDocument(strPath).Ok());
    EXPECT_EQ(nUpdates, 1);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Score(doc), "4112 5524 ~5522 |~4522");

    // A missing file leaves song, name and flag as they were.
    Click(doc, 440, 4);
    const CKantiloDoc::CResult missing = doc.OnOpenDocument(dir.File("fehlt.kt"));
    EXPECT_EQ(missing.kind, CKantiloDoc::CResult::Kind::FileError);
    EXPECT_EQ(missing.message, dir.File("fehlt.kt") + " wurde nicht gefunden.");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "lied.kt");
    EXPECT_EQ(Score(doc), "4112 5524 ~5522 |~4522 4114");

    // A broken file leaves a new untitled song to enter into.
    Bytes bytes = ReadBytes(strPath);
    bytes.pop_back();
    WriteBytes(strPath, bytes);
    const CKantiloDoc::CResult broken = doc.OnOpenDocument(strPath);
    EXPECT_EQ(broken.kind, CKantiloDoc::CResult::Kind::FormatError);
    EXPECT_EQ(broken.message, "Unerwartetes Dateiformat.");
    EXPECT_EQ(doc.GetTitle(), "Unbenannt");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
    Click(doc, 440, 4);
    EXPECT_EQ(Score(doc), "4114");

    // An empty file is an empty song.
    WriteBytes(dir.File("leer.kt"), {});
    ASSERT_TRUE(doc.OnOpenDocument(dir.File("leer.kt")).Ok());
    EXPECT_EQ(doc.GetTitle(), "leer.kt");
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
}

TEST(KantiloDoc, GenerateWritesTheSongAndKeepsTheFlag) {
    ScratchDir dir;
    CKantiloDoc doc;
    Click(doc, 440, 2);
    doc.SetModifiedFlag(false);
    RecordingSink sink;
    doc.Generate(sink, "Standard", dir.File("lied.wav"), 10, 264);
    EXPECT_TRUE(sink.warnings.empty());
    EXPECT_EQ(sink.stages.size(), 4u);
    EXPECT_EQ(doc.GetSong()->GetFileName(), dir.File("lied.wav"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(std::filesystem::file_size(dir.File("lied.wav")), 44u + 11025 * 2);  // half a second
}
