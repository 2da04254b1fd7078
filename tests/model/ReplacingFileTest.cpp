// The one writer of every file the program saves, on a multi-user system: what it refuses to
// replace, what a replaced file keeps, links, long names, and kills part-way.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>

#include "CReplacingFile.h"
#include "TestFiles.h"

namespace {

const Bytes kOld(3000, 0x0D);
const Bytes kNew(5000, 0x4E);

int Save(const std::string& strPath, const Bytes& bytes = kNew) {
    CReplacingFile file(strPath);
    int nError = file.Open();
    if (nError == 0) {
        nError = file.Write(bytes.data(), bytes.size());
    }
    return nError == 0 ? file.Commit() : nError;
}

struct stat LinkStat(const std::string& strPath) {
    struct stat st {};
    EXPECT_EQ(lstat(strPath.c_str(), &st), 0) << strPath;
    return st;
}

}  // namespace

TEST(ReplacingFile, RefusesFoldersFifosSocketsAndDevicesAlsoThroughLinks) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0666), 0);
    MakeSocket(dir.File("sock"));
    fs::create_directory(dir.File("ordner"));
    // A private copy of /dev/null: a failure here never touches the system's own.
    const bool bDevice =
        geteuid() == 0 && mknod(dir.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    for (const std::string& name : dir.Names()) {
        fs::create_symlink(name, dir.File("zu-" + name));
    }
    const std::set<std::string> entries = dir.Names();
    for (const std::string& name : entries) {
        const struct stat before = LinkStat(dir.File(name));
        EXPECT_EQ(Save(dir.File(name)), EACCES) << name;
        const struct stat after = LinkStat(dir.File(name));
        EXPECT_EQ(std::tuple(after.st_ino, after.st_mode, after.st_rdev),
                  std::tuple(before.st_ino, before.st_mode, before.st_rdev))
            << name;
    }
    EXPECT_EQ(dir.Names(), entries);
    if (!bDevice) {
        GTEST_SKIP() << "a device node can only be made by root; the rest held";
    }
}

// A dangling link is written through to its target; a new file gets what the umask allows.
TEST(ReplacingFile, WritesThroughLinksAlsoToFilesNotThereYet) {
    ScratchDir dir;
    fs::create_directory(dir.File("ziel"));
    fs::create_symlink("ziel/neu.kt", dir.File("relativ.kt"));
    fs::create_symlink(dir.File("ziel/absolut.kt"), dir.File("absolut.kt"));
    fs::create_symlink("relativ.kt", dir.File("kette.kt"));  // a link to a dangling link
    WriteBytes(dir.File("ziel/alt.kt"), kOld);
    fs::create_symlink("ziel/alt.kt", dir.File("alt.kt"));
    const mode_t old = umask(027);
    for (const char* pszLink : {"relativ.kt", "absolut.kt", "alt.kt"}) {
        EXPECT_EQ(Save(dir.File(pszLink)), 0) << pszLink;
        EXPECT_TRUE(fs::is_symlink(dir.File(pszLink))) << pszLink;
        EXPECT_EQ(ReadBytes(dir.File(pszLink)), kNew) << pszLink;
    }
    umask(old);
    EXPECT_EQ(LinkStat(dir.File("ziel/neu.kt")).st_mode & 07777, 0640u);
    EXPECT_EQ(Save(dir.File("kette.kt"), kOld), 0);
    EXPECT_EQ(ReadBytes(dir.File("ziel/neu.kt")), kOld);
    EXPECT_EQ(dir.Names(),
              (std::set<std::string>{"absolut.kt", "alt.kt", "kette.kt", "relativ.kt", "ziel"}));
}

// The name a file system allows, and not eight bytes less.
TEST(ReplacingFile, NamesUpToTheLimitOfTheFileSystem) {
    ScratchDir dir;
    const std::string strName = std::string(252, 'n') + ".kt";  // 255 bytes
    EXPECT_EQ(Save(dir.File(strName), kOld), 0);
    EXPECT_EQ(Save(dir.File(strName)), 0);
    EXPECT_EQ(ReadBytes(dir.File(strName)), kNew);
    EXPECT_EQ(dir.Names(), std::set<std::string>{strName});
    EXPECT_EQ(Save(dir.File(strName + "x")), ENAMETOOLONG);
}

TEST(ReplacingFile, KeepsModeAndExtendedAttributesAndAsRootOwnerAndGroup) {
    ScratchDir dir;
    const std::string strPath = dir.File("lied.kt");
    const bool bRoot = geteuid() == 0;
    for (const mode_t mode : {0640, 04750, 02755, 0604}) {
        WriteBytes(strPath, kOld);
        ASSERT_EQ(chmod(strPath.c_str(), mode), 0);
        if (bRoot) {
            ASSERT_EQ(chown(strPath.c_str(), kOrdinaryUser, kOrdinaryUser + 1), 0);
            ASSERT_EQ(chmod(strPath.c_str(), mode), 0);  // chown dropped the set-ID bits
        }
        const bool bAttributes = setxattr(strPath.c_str(), "user.kantilo", "ja", 2, 0) == 0;
        ASSERT_EQ(Save(strPath), 0);
        const struct stat st = LinkStat(strPath);
        EXPECT_EQ(st.st_mode & 07777, mode);
        char value[8] = {};
        if (bAttributes) {
            EXPECT_EQ(getxattr(strPath.c_str(), "user.kantilo", value, sizeof value), 2);
            EXPECT_STREQ(value, "ja");
        }
        if (bRoot) {
            EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(kOrdinaryUser, kOrdinaryUser + 1));
        }
    }
    EXPECT_EQ(dir.Names(), std::set<std::string>{"lied.kt"});
    if (!bRoot) {
        GTEST_SKIP() << "keeping another user's ownership needs root; mode and attributes held";
    }
}

// What may be replaced is what the real user may write; a set-ID file whose owner cannot be
// kept loses those bits.
TEST(ReplacingFile, OrdinaryUserNeitherReplacesReadOnlyFilesNorKeepsAnotherOwnersSetId) {
    ScratchDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    const std::string strReadOnly = dir.File("nur-lesen.kt");
    const std::string strOwn = dir.File("eigen.kt");
    const std::string strForeign = dir.File("fremd.kt");
    for (const std::string& path : {strReadOnly, strOwn, strForeign}) {
        WriteBytes(path, kOld);
    }
    const bool bRoot = geteuid() == 0;
    if (bRoot) {
        ASSERT_EQ(chown(strReadOnly.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
        ASSERT_EQ(chown(strOwn.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
        ASSERT_EQ(chmod(strForeign.c_str(), 06777), 0);  // root's
    }
    ASSERT_EQ(chmod(strReadOnly.c_str(), 0444), 0);
    ASSERT_EQ(chmod(strOwn.c_str(), 04750), 0);
    EXPECT_TRUE(PassesAsOrdinaryUser([&] {
        return Save(strReadOnly) == EACCES && Save(strOwn) == 0 &&
               (!bRoot || Save(strForeign) == 0);
    }));
    EXPECT_EQ(std::pair(ReadBytes(strReadOnly), LinkStat(strReadOnly).st_mode & 07777),
              std::pair(kOld, 0444u));
    // Writing clears set-user-ID of an ordinary user's file: the owner's own one stays one.
    EXPECT_EQ(std::pair(ReadBytes(strOwn), LinkStat(strOwn).st_mode & 07777),
              std::pair(kNew, 04750u));
    if (!bRoot) {
        GTEST_SKIP() << "another user's file needs root to make; the user's own files held";
    }
    const struct stat st = LinkStat(strForeign);
    EXPECT_EQ(std::tuple(st.st_uid, st.st_mode & 07777, ReadBytes(strForeign)),
              std::tuple(kOrdinaryUser, 0777u, kNew));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"eigen.kt", "fremd.kt", "nur-lesen.kt"}));
}

// Killed while the new contents are being written: an old file stays byte for byte, and
// nothing else is in the folder.
TEST(ReplacingFile, KilledPartWayLeavesOnlyTheOldFile) {
    for (const bool bExisting : {true, false}) {
        ScratchDir dir;
        const std::string strPath = dir.File("lied.wav");
        if (bExisting) {
            WriteBytes(strPath, kOld);
        }
        const pid_t pid = fork();
        if (pid == 0) {
            CReplacingFile file(strPath);
            const Bytes big(8 << 20, 0x11);
            if (file.Open() == 0 && file.Write(big.data(), big.size()) == 0) {
                raise(SIGKILL);
            }
            _exit(1);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        EXPECT_TRUE(WIFSIGNALED(nStatus));
        EXPECT_EQ(dir.Names(),
                  bExisting ? std::set<std::string>{"lied.wav"} : std::set<std::string>{});
        EXPECT_EQ(ReadBytes(strPath), bExisting ? kOld : Bytes{});
    }
}
