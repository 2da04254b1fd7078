#include <gtest/gtest.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "SheetProbe.h"
#include "TestFiles.h"

namespace {

Bytes SongWithTies() {
    CController controller;
    Click(controller, 440, 2);
    Click(controller, 440, 8);
    Click(controller, 440, 18, 1);
    Click(controller, 528, 13);
    Click(controller, 528, 4, 1);
    return CDocumentFile::Store(controller);
}

void ExpectFormatError(const Bytes& bytes, const std::string& strWhat) {
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(bytes);
    EXPECT_EQ(loaded.status, CDocumentFile::Status::formatError) << strWhat;
    EXPECT_EQ(loaded.strMessage, "Unerwartetes Dateiformat.") << strWhat;
    EXPECT_EQ(loaded.pController, nullptr) << strWhat;
}

}  // namespace

TEST(DocumentRejection, TruncationsAndWrongRecordsAreFormatErrors) {
    const Bytes bytes = SongWithTies();
    ASSERT_GT(bytes.size(), 300u);
    ASSERT_EQ(CDocumentFile::Parse(bytes).status, CDocumentFile::Status::ok);
    for (size_t n = 1; n < bytes.size(); ++n) {
        ExpectFormatError(Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)),
                          "cut at " + std::to_string(n));
    }
    // Bytes changed at an offset; "cut" ends the file after them.
    const struct {
        const char* pszWhat;
        size_t nAt;
        Bytes replaced;
        bool bCut;
    } kCases[] = {
        {"class name CControlles", 16, {'s'}, false},
        {"names compare case-sensitively", 6, {'c'}, false},
        {"schema", 2, {2}, false},
        {"first tag 0x8001", 0, {0x01, 0x80}, false},
        {"null controller", 0, {0x00, 0x00}, true},
        {"no sheet", 0x11, {0x00, 0x00}, true},
        {"a controller in a controller", 0x11, {0x01, 0x80}, true},
        {"the controller as its own sheet", 0x11, {0x02, 0x00}, true},
    };
    for (const auto& c : kCases) {
        Bytes changed = bytes;
        std::copy(c.replaced.begin(), c.replaced.end(), changed.begin() + std::ptrdiff_t(c.nAt));
        if (c.bCut) {
            changed.resize(c.nAt + c.replaced.size());
        }
        ExpectFormatError(changed, c.pszWhat);
    }
}

TEST(DocumentRejection, EmptyFileIsAnEmptySongAndTrailingBytesAreIgnored) {
    CDocumentFile::LoadResult empty = CDocumentFile::Parse({});
    ASSERT_EQ(empty.status, CDocumentFile::Status::ok);
    EXPECT_EQ(empty.pController->GetFirstNote(), nullptr);
    EXPECT_EQ(CDocumentFile::Store(*empty.pController).size(), 141u);

    const Bytes bytes = SongWithTies();
    Bytes trailing = bytes;
    trailing.insert(trailing.end(), {0xFF, 0xFF, 0x12});
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(trailing);
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok);
    EXPECT_EQ(CDocumentFile::Store(*loaded.pController), bytes);
}

TEST(DocumentRejection, SingleByteChangesNeverBreakTheLoadedSong) {
    const Bytes bytes = SongWithTies();
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (uint8_t delta : {uint8_t{1}, uint8_t{0x80}, uint8_t{0xFF}}) {
            Bytes changed = bytes;
            changed[i] = static_cast<uint8_t>(changed[i] + delta);
            CDocumentFile::LoadResult loaded = CDocumentFile::Parse(changed);
            if (loaded.status != CDocumentFile::Status::ok) {
                EXPECT_EQ(loaded.strMessage, "Unerwartetes Dateiformat.");
                continue;
            }
            // What loads must store, load, edit and delete like any song.
            Bytes stored = CDocumentFile::Store(*loaded.pController);
            CDocumentFile::LoadResult again = CDocumentFile::Parse(stored);
            ASSERT_EQ(again.status, CDocumentFile::Status::ok) << i;
            EXPECT_EQ(CDocumentFile::Store(*again.pController), stored);
            CController& c = *loaded.pController;
            Click(c, 440, 8, 1);
            for (int n = 0; n < 20; ++n) {
                c.DeleteLastNote();
            }
            EXPECT_EQ(c.GetNotenblatt()->GetLength(), 0) << i;
        }
    }
}
