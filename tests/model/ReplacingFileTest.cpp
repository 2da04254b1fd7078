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

std::pair<mode_t, Bytes> ModeAndBytes(const std::string& strPath) {
    return {LinkStat(strPath).st_mode & 07777, ReadBytes(strPath)};
}

}  // namespace

TEST(ReplacingFile, RefusesFoldersFifosSocketsAndDevicesAlsoThroughLinks) {
    ScratchDir dir;
    ASSERT_EQ(mknod(dir.File("fifo").c_str(), S_IFIFO | 0666, 0), 0);
    ASSERT_EQ(mknod(dir.File("sock").c_str(), S_IFSOCK | 0666, 0), 0);
    fs::create_directory(dir.File("ordner"));
    // A private copy of /dev/null (only root may make one): a failure never touches the system's.
    const bool bDevice = mknod(dir.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    for (const std::string& name : dir.Names()) {
        fs::create_symlink(name, dir.File("zu-" + name));
    }
    const std::set<std::string> entries = dir.Names();
    for (const std::string& name : entries) {
        const mode_t mode = LinkStat(dir.File(name)).st_mode;
        EXPECT_EQ(Save(dir.File(name)), EACCES) << name;
        EXPECT_EQ(LinkStat(dir.File(name)).st_mode, mode) << name;
    }
    EXPECT_EQ(dir.Names(), entries);
    if (!bDevice) {
        GTEST_SKIP() << "a device node can only be made by root; the rest held";
    }
}

// Killed while the new contents are being written: the old file stays byte for byte, and
// nothing else is in the folder.
TEST(ReplacingFile, KilledPartWayLeavesOnlyTheOldFile) {
    ScratchDir dir;
    const std::string strPath = dir.File("lied.wav");
    WriteBytes(strPath, kOld);
    EXPECT_FALSE(PassesInChild([&] {
        CReplacingFile file(strPath);
        const Bytes big(8 << 20, 0x11);
        if (file.Open() == 0 && file.Write(big.data(), big.size()) == 0) {
            raise(SIGKILL);
        }
        return true;
    }));
    EXPECT_EQ(dir.Names(), std::set<std::string>{"lied.wav"});
    EXPECT_EQ(ReadBytes(strPath), kOld);
}

// A link is written through to its target, also one not there yet and one reached through a
// dangling link; a new file gets what the umask allows.
TEST(ReplacingFile, WritesThroughLinksAlsoToFilesNotThereYet) {
    ScratchDir dir;
    fs::create_directory(dir.File("ziel"));
    WriteBytes(dir.File("ziel/alt.kt"), kOld);
    fs::create_symlink("ziel/alt.kt", dir.File("alt.kt"));
    fs::create_symlink(dir.File("ziel/absolut.kt"), dir.File("absolut.kt"));
    fs::create_symlink("ziel/neu.kt", dir.File("relativ.kt"));
    fs::create_symlink("relativ.kt", dir.File("kette.kt"));
    const mode_t old = umask(027);
    for (const auto& [pszLink, pszTarget] : {std::pair{"alt.kt", "ziel/alt.kt"},
                                             {"absolut.kt", "ziel/absolut.kt"},
                                             {"kette.kt", "ziel/neu.kt"}}) {
        EXPECT_EQ(Save(dir.File(pszLink)), 0) << pszLink;
        EXPECT_EQ(ReadBytes(dir.File(pszTarget)), kNew) << pszLink;
    }
    umask(old);
    EXPECT_EQ(LinkStat(dir.File("ziel/neu.kt")).st_mode & 07777, 0640u);
}

// The name a file system allows, and not eight bytes less, is replaced as any other.
TEST(ReplacingFile, KeepsModeAndExtendedAttributesAndAsRootOwnerAndGroupUpTo255Bytes) {
    ScratchDir dir;
    const std::string strName = std::string(252, 'n') + ".kt";
    const std::string strPath = dir.File(strName);
    EXPECT_EQ(Save(strPath + "x"), ENAMETOOLONG);
    const bool bRoot = geteuid() == 0;
    for (const mode_t mode : {0640, 04750, 02755, 0604}) {
        ASSERT_EQ(Save(strPath, kOld), 0);  // the first time a new file
        if (bRoot) {
            ASSERT_EQ(chown(strPath.c_str(), kOrdinaryUser, kOrdinaryUser + 1), 0);
        }
        ASSERT_EQ(chmod(strPath.c_str(), mode), 0);  // after chown, which drops set-ID bits
        const bool bAttributes = setxattr(strPath.c_str(), "user.kantilo", "ja", 2, 0) == 0;
        ASSERT_EQ(Save(strPath), 0);
        const struct stat st = LinkStat(strPath);
        EXPECT_EQ(st.st_mode & 07777, mode);
        char value[3] = {};
        EXPECT_TRUE(!bAttributes || getxattr(strPath.c_str(), "user.kantilo", value, 2) == 2);
        EXPECT_STREQ(value, bAttributes ? "ja" : "");
        EXPECT_TRUE(!bRoot ||
                    std::pair(st.st_uid, st.st_gid) == std::pair(kOrdinaryUser, kOrdinaryUser + 1));
    }
    EXPECT_EQ(ReadBytes(strPath), kNew);
    EXPECT_EQ(dir.Names(), std::set<std::string>{strName});
    if (!bRoot) {
        GTEST_SKIP() << "keeping another user's ownership needs root; mode and attributes held";
    }
}

// What may be replaced is what the real user may write; a set-ID file whose owner cannot be
// kept loses those bits.
TEST(ReplacingFile, OrdinaryUserNeitherReplacesReadOnlyFilesNorKeepsAnotherOwnersSetId) {
    ScratchDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    const std::string strReadOnly = dir.File("nur-lesen.kt"), strOwn = dir.File("eigen.kt");
    const std::string strForeign = dir.File("fremd.kt");  // root's
    const bool bRoot = geteuid() == 0;
    for (const auto& [path, mode] :
         {std::pair{strReadOnly, 0444}, {strOwn, 04750}, {strForeign, 06777}}) {
        WriteBytes(path, kOld);
        if (bRoot && path != strForeign) {
            ASSERT_EQ(chown(path.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
        }
        ASSERT_EQ(chmod(path.c_str(), mode_t(mode)), 0);
    }
    EXPECT_TRUE(PassesAsOrdinaryUser([&] {
        return Save(strReadOnly) == EACCES && Save(strOwn) == 0 &&
               (!bRoot || Save(strForeign) == 0);
    }));
    EXPECT_EQ(ModeAndBytes(strReadOnly), std::pair(mode_t(0444), kOld));
    // Writing clears set-user-ID of an ordinary user's file: the owner's own one stays one.
    EXPECT_EQ(ModeAndBytes(strOwn), std::pair(mode_t(04750), kNew));
    if (!bRoot) {
        GTEST_SKIP() << "another user's file needs root to make; the user's own files held";
    }
    EXPECT_EQ(ModeAndBytes(strForeign), std::pair(mode_t(0777), kNew));
    EXPECT_EQ(LinkStat(strForeign).st_uid, kOrdinaryUser);
}

// A link another user planted in a shared sticky folder (as /tmp) is not followed: the caller
// would replace a file of their own. The caller's own links there and the folder owner's are.
TEST(ReplacingFile, FollowsLinksInSharedStickyFoldersOnlyOfTheCallerOrTheFolderOwner) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "a link of another user needs root to make";
    }
    ScratchDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    const std::string strShared = dir.File("geteilt"), strVictim = dir.File("opfer.conf");
    ASSERT_EQ(mkdir(strShared.c_str(), 01777), 0);
    ASSERT_EQ(chmod(strShared.c_str(), 01777), 0);  // the umask may have taken bits away
    WriteBytes(strVictim, kOld);
    const std::string strPlanted = strShared + "/gepflanzt.kt";
    ASSERT_TRUE(
        PassesAsOrdinaryUser([&] { return symlink(strVictim.c_str(), strPlanted.c_str()) == 0; }));
    EXPECT_EQ(Save(strPlanted), EACCES);
    EXPECT_EQ(ReadBytes(strVictim), kOld);
    EXPECT_TRUE(S_ISLNK(LinkStat(strPlanted).st_mode));
    // The caller's own link is followed, and in the ordinary user's own sticky folder theirs.
    const std::string strOwn = strShared + "/eigen.kt";
    fs::create_symlink(strVictim, strOwn);
    EXPECT_EQ(Save(strOwn, kOld), 0);
    EXPECT_EQ(ReadBytes(strVictim), kOld);
    ASSERT_EQ(chown(strShared.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    ASSERT_EQ(chmod(strShared.c_str(), 01777), 0);
    EXPECT_EQ(Save(strPlanted), 0);
    EXPECT_EQ(ReadBytes(strVictim), kNew);
}
