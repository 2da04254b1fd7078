#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#include <map>
#include <memory>

#include "CFileError.h"
#include "CNotenblatt.h"
#include "DocumentTestSupport.h"

namespace {

const CController& SongOfLength(int nQuarters) {
    static std::map<int, std::unique_ptr<CController>> songs;
    std::unique_ptr<CController>& pSong = songs[nQuarters];
    if (!pSong) {
        pSong = std::make_unique<CController>();
        for (int i = 0; i < nQuarters; ++i) {
            ClickAt(*pSong, 31 + (i % 3) * 4, 2);
        }
    }
    return *pSong;
}

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

}  // namespace

TEST(DocumentFileIo, SaveThenLoad) {
    ScratchDir dir;
    const CController& song = SongOfLength(11);
    ASSERT_EQ(CDocumentFile::Save(dir / "lied.kt", song), std::nullopt);
    EXPECT_EQ(ReadBytes(dir / "lied.kt"), CDocumentFile::Store(song));
    CDocumentFile::LoadResult loaded = CDocumentFile::Load((dir / "lied.kt").string());
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok);
    EXPECT_EQ(loaded.pController->GetNotenblatt()->GetLength(), 22);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"lied.kt"}));
}

TEST(DocumentFileIo, SaveKeepsPermissionsAndSymbolicLinks) {
    ScratchDir dir;
    WriteBytes(dir / "alt.kt", {1, 2, 3});
    ASSERT_EQ(chmod((dir / "alt.kt").c_str(), 0640), 0);
    std::filesystem::create_symlink("alt.kt", dir / "link.kt");
    ASSERT_EQ(CDocumentFile::Save(dir / "link.kt", SongOfLength(3)), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.kt"));
    EXPECT_EQ(ModeOf(dir / "alt.kt"), 0640u);
    EXPECT_EQ(ReadBytes(dir / "alt.kt"), CDocumentFile::Store(SongOfLength(3)));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"alt.kt", "link.kt"}));
}

TEST(DocumentFileIo, NewFileGetsModeOfUmask) {
    ScratchDir dir;
    mode_t old = umask(027);
    std::optional<std::string> result = CDocumentFile::Save(dir / "neu.kt", SongOfLength(1));
    umask(old);
    ASSERT_EQ(result, std::nullopt);
    EXPECT_EQ(ModeOf(dir / "neu.kt"), 0640u);
}

TEST(DocumentFileIo, LoadFailuresNameThePath) {
    ScratchDir dir;
    std::string strMissing = (dir / "fehlt.kt").string();
    CDocumentFile::LoadResult missing = CDocumentFile::Load(strMissing);
    EXPECT_EQ(missing.status, CDocumentFile::Status::openFailed);
    EXPECT_EQ(missing.strMessage, strMissing + " wurde nicht gefunden.");

    CDocumentFile::LoadResult directory = CDocumentFile::Load(dir.Path().string());
    EXPECT_EQ(directory.status, CDocumentFile::Status::openFailed);
    EXPECT_EQ(directory.strMessage, dir.Path().string() + " enthält eine ungültige Pfadangabe.");

    WriteBytes(dir / "datei", {});
    std::string strBelowFile = (dir / "datei" / "x.kt").string();
    EXPECT_EQ(CDocumentFile::Load(strBelowFile).strMessage,
              strBelowFile + " enthält eine ungültige Pfadangabe.");

    WriteBytes(dir / "leer.kt", {});
    CDocumentFile::LoadResult empty = CDocumentFile::Load((dir / "leer.kt").string());
    ASSERT_EQ(empty.status, CDocumentFile::Status::ok);
    EXPECT_EQ(empty.pController->GetNotenblatt()->GetBarCount(), 0u);

    WriteBytes(dir / "kaputt.kt", {0xFF, 0xFF, 0x01});
    CDocumentFile::LoadResult broken = CDocumentFile::Load((dir / "kaputt.kt").string());
    EXPECT_EQ(broken.status, CDocumentFile::Status::formatError);
    EXPECT_EQ(broken.strMessage, "Unerwartetes Dateiformat.");
}

TEST(DocumentFileIo, SaveIntoMissingDirectoryLeavesNothing) {
    ScratchDir dir;
    std::string strPath = (dir / "fehlt" / "lied.kt").string();
    EXPECT_EQ(CDocumentFile::Save(strPath, SongOfLength(2)), strPath + " wurde nicht gefunden.");
    EXPECT_TRUE(dir.Names().empty());
    std::filesystem::create_directory(dir / "ordner.kt");
    std::string strDirTarget = (dir / "ordner.kt").string();
    EXPECT_EQ(CDocumentFile::Save(strDirTarget, SongOfLength(2)),
              strDirTarget + " enthält eine ungültige Pfadangabe.");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"ordner.kt"}));
}

// A file size limit makes the write fail half-way, as a full disk would.
TEST(DocumentFileIo, FailedSaveKeepsTheOldFileAndRemovesTheTemporaryOne) {
    ScratchDir dir;
    std::filesystem::path target = dir / "lied.kt";
    const CController& small = SongOfLength(1);
    ASSERT_EQ(CDocumentFile::Save(target, small), std::nullopt);
    std::vector<uint8_t> before = ReadBytes(target);
    const CController& big = SongOfLength(400);
    ASSERT_GT(CDocumentFile::Store(big).size(), 4096u);

    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::optional<std::string> result = CDocumentFile::Save(target, big);
        bool bExpected = result == target.string() + " wurde nicht gefunden." ||
                         result == "Beim Zugriff auf " + target.string() +
                                       " wurde ein voller Datenträger gemeldet.";
        _exit(bExpected ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
    EXPECT_EQ(ReadBytes(target), before);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"lied.kt"}));
}

TEST(DocumentFileIo, FileErrorTexts) {
    const std::string p = "/x/y.kt";
    EXPECT_EQ(CFileError::TextFromErrno(ENOENT, p), "/x/y.kt wurde nicht gefunden.");
    EXPECT_EQ(CFileError::TextFromErrno(EACCES, p), "Zugriff auf /x/y.kt wurde verwehrt.");
    EXPECT_EQ(CFileError::TextFromErrno(EPERM, p), "Zugriff auf /x/y.kt wurde verwehrt.");
    EXPECT_EQ(CFileError::TextFromErrno(ENOSPC, p),
              "Beim Zugriff auf /x/y.kt wurde ein voller Datenträger gemeldet.");
    EXPECT_EQ(CFileError::TextFromErrno(EIO, p),
              "Ein Hardware-E/A-Fehler wurde während des Zugriffs auf /x/y.kt gemeldet.");
    EXPECT_EQ(CFileError::TextFromErrno(EMFILE, p),
              "/x/y.kt konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind.");
    EXPECT_EQ(CFileError::TextFromErrno(ENFILE, p), CFileError::TextFromErrno(EMFILE, p));
    EXPECT_EQ(CFileError::TextFromErrno(ENAMETOOLONG, p),
              "/x/y.kt enthält eine ungültige Pfadangabe.");
    EXPECT_EQ(CFileError::TextFromErrno(EXDEV, p),
              "Ein unbekannter Fehler ist beim Zugriff auf /x/y.kt aufgetreten.");
    EXPECT_EQ(CFileError::Text(CFileError::none, p), "Kein Fehler aufgetreten.");
    EXPECT_EQ(CFileError::Text(CFileError::removeCurrentDir, p),
              "Das Verzeichnis /x/y.kt konnte nicht entfernt werden, da es das aktuelle "
              "Verzeichnis ist. ");
    EXPECT_EQ(CFileError::Text(CFileError::endOfFile, "%1"),
              "Es wurde versucht, auf eine Stelle hinter dem Ende von %1 zuzugreifen.");
}
