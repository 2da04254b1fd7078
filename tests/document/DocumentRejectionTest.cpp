#include <gtest/gtest.h>

#include "CNotenblatt.h"
#include "DocumentTestSupport.h"

namespace {

std::vector<uint8_t> SongWithTies() {
    CController controller;
    ClickAt(controller, 31, 2);
    ClickAt(controller, 31, 8);
    ClickAt(controller, 31, 18, 1);
    ClickAt(controller, 24, 13);
    ClickAt(controller, 24, 4, 1);
    return CDocumentFile::Store(controller);
}

void ExpectFormatError(const std::vector<uint8_t>& bytes, const std::string& strWhat) {
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(bytes);
    EXPECT_EQ(loaded.status, CDocumentFile::Status::formatError) << strWhat;
    EXPECT_EQ(loaded.strMessage, "Unerwartetes Dateiformat.") << strWhat;
    EXPECT_EQ(loaded.pController, nullptr) << strWhat;
}

}  // namespace

TEST(DocumentRejection, EveryTruncationIsAFormatError) {
    std::vector<uint8_t> bytes = SongWithTies();
    ASSERT_GT(bytes.size(), 300u);
    for (size_t n = 1; n < bytes.size(); ++n) {
        ExpectFormatError(
            std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)),
            "cut at " + std::to_string(n));
    }
    EXPECT_EQ(CDocumentFile::Parse(bytes).status, CDocumentFile::Status::ok);
}

TEST(DocumentRejection, ClassNameSchemaAndFirstTag) {
    std::vector<uint8_t> bytes = SongWithTies();
    std::vector<uint8_t> renamed = bytes;
    renamed[16] = 's';  // "CControlles"
    ExpectFormatError(renamed, "class name");
    std::vector<uint8_t> lower = bytes;
    lower[6] = 'c';  // names compare case-sensitively
    ExpectFormatError(lower, "lower case");
    std::vector<uint8_t> schema = bytes;
    schema[2] = 2;
    ExpectFormatError(schema, "schema");
    std::vector<uint8_t> tag = bytes;
    tag[0] = 0x01;
    tag[1] = 0x80;
    ExpectFormatError(tag, "first tag 0x8001");
    ExpectFormatError({0x00, 0x00}, "null controller");
}

TEST(DocumentRejection, SheetMustBeWhereTheControllerExpectsIt) {
    std::vector<uint8_t> bytes = SongWithTies();
    std::vector<uint8_t> nullSheet(bytes.begin(), bytes.begin() + 0x11);
    nullSheet.insert(nullSheet.end(), {0x00, 0x00});
    ExpectFormatError(nullSheet, "no sheet");
    std::vector<uint8_t> controllerAgain(bytes.begin(), bytes.begin() + 0x11);
    controllerAgain.insert(controllerAgain.end(), {0x01, 0x80});
    ExpectFormatError(controllerAgain, "a controller in a controller");
    std::vector<uint8_t> selfReference(bytes.begin(), bytes.begin() + 0x11);
    selfReference.insert(selfReference.end(), {0x02, 0x00});
    ExpectFormatError(selfReference, "the controller as its own sheet");
}

TEST(DocumentRejection, EmptyFileIsAnEmptySongAndTrailingBytesAreIgnored) {
    CDocumentFile::LoadResult empty = CDocumentFile::Parse({});
    ASSERT_EQ(empty.status, CDocumentFile::Status::ok);
    EXPECT_EQ(empty.pController->GetFirstNote(), nullptr);
    EXPECT_EQ(CDocumentFile::Store(*empty.pController).size(), 141u);

    std::vector<uint8_t> bytes = SongWithTies();
    std::vector<uint8_t> trailing = bytes;
    trailing.insert(trailing.end(), {0xFF, 0xFF, 0x12});
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(trailing);
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok);
    EXPECT_EQ(CDocumentFile::Store(*loaded.pController), bytes);
}

TEST(DocumentRejection, SingleByteChangesNeverBreakTheLoadedSong) {
    std::vector<uint8_t> bytes = SongWithTies();
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (uint8_t delta : {uint8_t{1}, uint8_t{0x80}, uint8_t{0xFF}}) {
            std::vector<uint8_t> changed = bytes;
            changed[i] = static_cast<uint8_t>(changed[i] + delta);
            CDocumentFile::LoadResult loaded = CDocumentFile::Parse(changed);
            if (loaded.status != CDocumentFile::Status::ok) {
                EXPECT_EQ(loaded.strMessage, "Unerwartetes Dateiformat.");
                continue;
            }
            // What loads must edit, delete, walk and store like any song.
            std::vector<uint8_t> stored = CDocumentFile::Store(*loaded.pController);
            CDocumentFile::LoadResult again = CDocumentFile::Parse(stored);
            ASSERT_EQ(again.status, CDocumentFile::Status::ok) << i;
            EXPECT_EQ(CDocumentFile::Store(*again.pController), stored);
            CController& c = *loaded.pController;
            ClickAt(c, 31, 8, 1);
            for (int n = 0; n < 20; ++n) {
                c.DeleteLastNote();
            }
            EXPECT_EQ(c.GetNotenblatt()->GetLength(), 0) << i;
        }
    }
}
