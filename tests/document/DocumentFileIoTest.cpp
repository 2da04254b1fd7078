#include <gtest/gtest.h>

#include "CKantiloDoc.h"
#include "SheetProbe.h"
#include "TestFiles.h"

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
    EXPECT_EQ(dir.Names(), std::set<std::string>{"lied.kt"});
}

TEST(KantiloDoc, OpenSaveAndFailedOpens) {
    using Kind = CKantiloDoc::CResult::Kind;
    ScratchDir dir;
    const std::string strPath = dir.File("lied.kt");
    CKantiloDoc doc;
    Click(doc, 440, 2);
    Click(doc, 704, 8);  // split over the bar line
    ASSERT_TRUE(doc.OnSaveDocument(strPath).Ok());
    doc.OnNewDocument();
    ASSERT_TRUE(doc.OnOpenDocument(strPath).Ok());
    EXPECT_EQ(Score(doc), "4112 5524 ~5522 |~4522");
    // A missing file leaves song, name and flag as they were.
    Click(doc, 440, 4);
    EXPECT_EQ(doc.OnOpenDocument(dir.File("fehlt.kt")).kind, Kind::FileError);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle() + Score(doc), "lied.kt4112 5524 ~5522 |~4522 4114");
    // A broken file leaves a new untitled song.
    const Bytes bytes = ReadBytes(strPath);
    WriteBytes(strPath, Bytes(bytes.begin(), bytes.end() - 1));
    const CKantiloDoc::CResult broken = doc.OnOpenDocument(strPath);
    EXPECT_EQ(std::tuple(broken.kind, broken.message),
              std::tuple(Kind::FormatError, "Unerwartetes Dateiformat."));
    EXPECT_EQ(doc.GetTitle() + doc.GetPathName(), "Unbenannt");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
}
