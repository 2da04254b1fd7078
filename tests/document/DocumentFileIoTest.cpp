#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <unistd.h>

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
        const CFileResult result = doc.OnSaveDocument(strPath);
        return result.kind == CFileResult::Kind::fileError && doc.IsModified() &&
               result.message ==
                   "Beim Zugriff auf " + strPath + " wurde ein voller Datenträger gemeldet.";
    }));
    EXPECT_EQ(ReadBytes(strPath), before);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"lied.kt"});
}

TEST(KantiloDoc, OpenSaveAndFailedOpens) {
    using Kind = CFileResult::Kind;
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
    EXPECT_EQ(doc.OnOpenDocument(dir.File("fehlt.kt")).kind, Kind::fileError);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle() + Score(doc), "lied.kt4112 5524 ~5522 |~4522 4114");
    // A broken file leaves a new untitled song.
    const Bytes bytes = ReadBytes(strPath);
    WriteBytes(strPath, Bytes(bytes.begin(), bytes.end() - 1));
    const CFileResult broken = doc.OnOpenDocument(strPath);
    EXPECT_EQ(std::tuple(broken.kind, broken.message),
              std::tuple(Kind::formatError, "Unerwartetes Dateiformat."));
    EXPECT_EQ(doc.GetTitle() + doc.GetPathName(), "Unbenannt");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
}

// A save never turns a FIFO, a folder or a file the user may only read into a new file.
TEST(DocumentFileIo, SaveRefusesWhatIsNotTheUsersToReplace) {
    ScratchDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    ASSERT_EQ(mkfifo(dir.File("fifo.kt").c_str(), 0666), 0);
    fs::create_symlink("fifo.kt", dir.File("zur-fifo.kt"));
    fs::create_directory(dir.File("ordner.kt"));
    WriteBytes(dir.File("alt.kt"), Bytes{1, 2, 3});
    ASSERT_EQ(chmod(dir.File("alt.kt").c_str(), 0444), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(dir.File("alt.kt").c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    }
    CKantiloDoc doc;
    Click(doc, 440, 2);
    EXPECT_TRUE(PassesAsOrdinaryUser([&] {
        bool bRefused = true;
        for (const char* pszName : {"fifo.kt", "zur-fifo.kt", "ordner.kt", "alt.kt"}) {
            const CFileResult result = doc.OnSaveDocument(dir.File(pszName));
            bRefused = bRefused && !result.Ok() && doc.IsModified() &&
                       result.message == "Zugriff auf " + dir.File(pszName) + " wurde verwehrt.";
        }
        return bRefused;
    }));
    EXPECT_EQ(ReadBytes(dir.File("alt.kt")), (Bytes{1, 2, 3}));
    EXPECT_TRUE(fs::is_fifo(dir.File("fifo.kt")) && fs::is_directory(dir.File("ordner.kt")));
    EXPECT_EQ(dir.Names(),
              (std::set<std::string>{"alt.kt", "fifo.kt", "ordner.kt", "zur-fifo.kt"}));
}

// A FIFO without a writer, a socket and a device answer at once; /dev/null is an empty song.
TEST(DocumentFileIo, OpenRefusesFifosSocketsAndDevicesAtOnce) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo.kt").c_str(), 0666), 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    dir.File("sock.kt").copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
    for (const std::string& path :
         {dir.File("fifo.kt"), dir.File("sock.kt"), std::string("/dev/zero")}) {
        EXPECT_TRUE(PassesInChild(
            [&] {
                CKantiloDoc doc;
                const CFileResult result = doc.OnOpenDocument(path);
                return result.kind == CFileResult::Kind::formatError &&
                       result.message == "Unerwartetes Dateiformat.";
            },
            {}, 10))
            << path;
    }
    CKantiloDoc doc;
    EXPECT_TRUE(doc.OnOpenDocument("/dev/null").Ok());
}

// Saving into a folder that does not exist names a wrong path: the missing-file text is for
// opening a file that is not there.
TEST(KantiloDoc, SaveIntoAMissingFolderIsAWrongPath) {
    ScratchDir dir;
    const std::string strPath = dir.File("fehlt/lied.kt");
    CKantiloDoc doc;
    Click(doc, 440, 2);
    const CFileResult saved = doc.OnSaveDocument(strPath);
    EXPECT_EQ(
        std::tuple(saved.kind, saved.message),
        std::tuple(CFileResult::Kind::fileError, strPath + " enthält eine ungültige Pfadangabe."));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.OnOpenDocument(strPath).message, strPath + " wurde nicht gefunden.");
}

// A song file may be followed by anything up to 64 MiB; one byte more is no song, so that a
// device that never ends cannot fill the memory.
TEST(KantiloDoc, DocumentsBeyond64MiBAreRejected) {
    ScratchDir dir;
    const std::string strPath = dir.File("gross.kt");
    CKantiloDoc doc;
    Click(doc, 440, 2);
    ASSERT_TRUE(doc.OnSaveDocument(strPath).Ok());
    ASSERT_EQ(truncate(strPath.c_str(), off_t(64) << 20), 0);
    ASSERT_TRUE(doc.OnOpenDocument(strPath).Ok());
    EXPECT_EQ(Score(doc), "4112");
    ASSERT_EQ(truncate(strPath.c_str(), (off_t(64) << 20) + 1), 0);
    const CFileResult result = doc.OnOpenDocument(strPath);
    EXPECT_EQ(std::tuple(result.kind, result.message),
              std::tuple(CFileResult::Kind::formatError, "Unerwartetes Dateiformat."));
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
}
