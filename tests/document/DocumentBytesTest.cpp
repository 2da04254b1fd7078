#include <gtest/gtest.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "SheetProbe.h"
#include "TestFiles.h"

namespace {

// Hex bytes, with characters in quotes taken as they are.
Bytes Hex(std::initializer_list<std::string> rows) {
    Bytes bytes;
    for (const std::string& row : rows) {
        for (size_t i = 0; i < row.size();) {
            if (row[i] == ' ') {
                ++i;
            } else if (row[i] == '"') {
                size_t nEnd = row.find('"', i + 1);
                bytes.insert(bytes.end(), row.begin() + std::ptrdiff_t(i) + 1,
                             row.begin() + std::ptrdiff_t(nEnd));
                i = nEnd + 1;
            } else {
                bytes.push_back(static_cast<uint8_t>(std::stoi(row.substr(i, 2), nullptr, 16)));
                i += 2;
            }
        }
    }
    return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The untouched song up to the bar count, offsets 0000 to 008A.
const Bytes kHead = Hex({
    R"(FF FF 01 00 0B 00 "CController")",
    R"(FF FF 01 00 0B 00 "CNotenblatt")",
    R"(FF FF 01 00 05 00 "CNote")",
    "00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 D4 12 00 00",
    "05 80 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 10 13 00 00",
    "05 80 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 C0 12 00 00",
    "05 80 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 CA 12 00 00",
});

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

TEST(DocumentBytes, UntouchedSongAndOneQuarterByteForByte) {
    ASSERT_EQ(kHead.size(), 0x8Bu);
    CController empty;
    EXPECT_EQ(CDocumentFile::Store(empty), Concat(kHead, {0x00, 0x00}));

    const Bytes kOneQuarter = Concat(kHead, Hex({
                                                "01 00",
                                                R"(FF FF 01 00 05 00 "CTakt")",
                                                "02 00 00 00 08 00 00 00 01 00",
                                                "05 80",
                                                "00 00 00 00 00 00 00 00 00 00 00 00",
                                                "02 00 00 00 B8 01 10 10 00 00",
                                            }));
    ASSERT_EQ(kOneQuarter.size(), 186u);
    CController controller;
    Click(controller, 440, 2);
    EXPECT_EQ(CDocumentFile::Store(controller), kOneQuarter);
    EXPECT_EQ(ReadBytes(ExampleFile("example.kt")), kOneQuarter);
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(kOneQuarter);
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok) << loaded.strMessage;
    EXPECT_EQ(Walk(*loaded.pController), (std::vector<NoteState>{{2, 440, 0, 0, 0, 4112, 0}}));
    EXPECT_EQ(CDocumentFile::Store(*loaded.pController), kOneQuarter);
}

TEST(DocumentBytes, NineEighthsStartSecondBarWithClassNumbers) {
    CController controller;
    for (int i = 0; i < 9; ++i) {
        Click(controller, 440, 1);
    }
    Bytes bytes = CDocumentFile::Store(controller);
    // Head, count, bar 1 (class record, 8 bytes, count, 8 notes of 24 bytes), then bar 2.
    const size_t nBar2 = kHead.size() + 2 + 11 + 8 + 2 + 8 * 24;
    ASSERT_EQ(bytes.size(), nBar2 + 2 + 8 + 2 + 24);
    EXPECT_EQ(Bytes(bytes.begin() + nBar2, bytes.begin() + nBar2 + 14),
              Hex({"0A 80 01 00 00 00 08 00 00 00 01 00 05 80"}));
    EXPECT_EQ(bytes[kHead.size()], 2);
}

TEST(DocumentBytes, BarCountsFrom65535AreEscapedInTheFile) {
    CController controller;
    for (int i = 0; i < 65535; ++i) {
        Click(controller, 264, 8);
    }
    Bytes bytes = CDocumentFile::Store(controller);
    EXPECT_EQ(Bytes(bytes.begin() + 0x8B, bytes.begin() + 0x8B + 6), Hex({"FF FF FF FF 00 00"}));
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(bytes);
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok);
    EXPECT_EQ(loaded.pController->GetNotenblatt()->GetLength(), 65535 * 8);
    EXPECT_EQ(CDocumentFile::Store(*loaded.pController), bytes);
}

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
