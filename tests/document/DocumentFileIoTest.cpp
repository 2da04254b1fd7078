// Opening what is no song file. Saving and failed opens are tested where the user does them,
// in the editor's and the command line's tests; what may be replaced, in CReplacingFile's.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CKantiloDoc.h"
#include "SheetProbe.h"
#include "TestFiles.h"

// A FIFO without a writer, a socket and a device answer at once; /dev/null is an empty song.
// A song file may be followed by anything up to 64 MiB; one byte more is no song, so that a
// device that never ends cannot fill the memory.
TEST(DocumentFileIo, OpenRefusesFifosSocketsDevicesAndFilesBeyond64MiB) {
    ScratchDir dir;
    const std::string strPath = dir.File("gross.kt");
    CKantiloDoc doc;
    Click(doc, 440, 2);
    ASSERT_TRUE(doc.OnSaveDocument(strPath).Ok());
    ASSERT_EQ(truncate(strPath.c_str(), off_t(64) << 20), 0);
    ASSERT_TRUE(doc.OnOpenDocument(strPath).Ok());
    EXPECT_EQ(Score(doc), "4112");
    ASSERT_EQ(truncate(strPath.c_str(), (off_t(64) << 20) + 1), 0);
    ASSERT_EQ(mknod(dir.File("fifo.kt").c_str(), S_IFIFO | 0666, 0), 0);
    ASSERT_EQ(mknod(dir.File("sock.kt").c_str(), S_IFSOCK | 0666, 0), 0);
    for (const std::string& path :
         {strPath, dir.File("fifo.kt"), dir.File("sock.kt"), std::string("/dev/zero")}) {
        EXPECT_TRUE(PassesInChild(
            [&] {
                const CFileResult result = doc.OnOpenDocument(path);
                return result.kind == CFileResult::Kind::formatError &&
                       result.message == "Unerwartetes Dateiformat." &&
                       doc.GetFirstNote() == nullptr;
            },
            {}, 10))
            << path;
    }
    EXPECT_TRUE(doc.OnOpenDocument("/dev/null").Ok());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
}
