#include <gtest/gtest.h>

#include "CNotenblatt.h"
#include "DocumentTestSupport.h"

namespace {

std::vector<uint8_t> Hex(std::initializer_list<std::string> rows) {
    std::vector<uint8_t> bytes;
    for (const std::string& row : rows) {
        for (size_t i = 0; i < row.size();) {
            if (row[i] == ' ') {
                ++i;
            } else if (row[i] == '"') {  // quoted characters
                size_t nEnd = row.find('"', i + 1);
                bytes.insert(bytes.end(), row.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                             row.begin() + static_cast<std::ptrdiff_t>(nEnd));
                i = nEnd + 1;
            } else {
                bytes.push_back(static_cast<uint8_t>(std::stoi(row.substr(i, 2), nullptr, 16)));
                i += 2;
            }
        }
    }
    return bytes;
}

// The untouched song up to the bar count, offsets 0000 to 008A.
const std::vector<uint8_t> kHead = Hex({
    R"(FF FF 01 00 0B 00 "CController")",
    R"(FF FF 01 00 0B 00 "CNotenblatt")",
    R"(FF FF 01 00 05 00 "CNote")",
    "00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 D4 12 00 00",
    "05 80",
    "00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 10 13 00 00",
    "05 80",
    "00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 C0 12 00 00",
    "05 80",
    "00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 CA 12 00 00",
});

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<uint8_t> kOneQuarter =
    Concat(kHead, Hex({
                      "01 00",
                      R"(FF FF 01 00 05 00 "CTakt")",
                      "02 00 00 00 08 00 00 00",
                      "01 00",
                      "05 80",
                      "00 00 00 00 00 00 00 00 00 00 00 00 02 00 00 00 B8 01 10 10 00 00",
                  }));

}  // namespace

TEST(DocumentBytes, UntouchedSongIs141Bytes) {
    ASSERT_EQ(kHead.size(), 0x8Bu);
    CController controller;
    EXPECT_EQ(CDocumentFile::Store(controller), Concat(kHead, {0x00, 0x00}));
}

TEST(DocumentBytes, OneQuarterIsTheWorkedExample) {
    ASSERT_EQ(kOneQuarter.size(), 186u);
    CController controller;
    ClickAt(controller, 31, 2);
    EXPECT_EQ(CDocumentFile::Store(controller), kOneQuarter);
    EXPECT_EQ(ReadBytes(SourceDir() / "examples" / "example.kt"), kOneQuarter);
}

TEST(DocumentBytes, WorkedExampleLoadsAndStoresAgain) {
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(kOneQuarter);
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok) << loaded.strMessage;
    CNotenblatt* pSheet = loaded.pController->GetNotenblatt();
    EXPECT_EQ(pSheet->GetBarCount(), 1u);
    CNote* pNote = loaded.pController->GetFirstNote();
    ASSERT_NE(pNote, nullptr);
    int32_t nDuration, bRest, bTieTo, bTieFrom;
    uint16_t nPitch;
    pNote->GetInfo(nDuration, nPitch, bRest, bTieTo, bTieFrom);
    EXPECT_EQ(nDuration, 2);
    EXPECT_EQ(nPitch, 440);
    EXPECT_EQ(bRest + bTieTo + bTieFrom, 0);
    int32_t bNewBar = 0;
    EXPECT_EQ(loaded.pController->GetNextNote(bNewBar), nullptr);
    EXPECT_EQ(CDocumentFile::Store(*loaded.pController), kOneQuarter);
}

TEST(DocumentBytes, NineEighthsStartSecondBarWithClassNumbers) {
    CController controller;
    for (int i = 0; i < 9; ++i) {
        ClickAt(controller, 31, 1);
    }
    std::vector<uint8_t> bytes = CDocumentFile::Store(controller);
    // Head, count, bar 1 (class record, 8 bytes, count, 8 notes of 24 bytes), then bar 2.
    const size_t nBar2 = kHead.size() + 2 + 11 + 8 + 2 + 8 * 24;
    ASSERT_EQ(bytes.size(), nBar2 + 2 + 8 + 2 + 24);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + nBar2, bytes.begin() + nBar2 + 12),
              Hex({"0A 80 01 00 00 00 08 00 00 00 01 00"}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + nBar2 + 12, bytes.begin() + nBar2 + 14),
              Hex({"05 80"}));
    EXPECT_EQ(bytes[kHead.size()], 2);
}

TEST(DocumentBytes, BarCountsFrom65535AreEscapedInTheFile) {
    CController controller;
    for (int i = 0; i < 65535; ++i) {
        ClickAt(controller, 49, 8);
    }
    std::vector<uint8_t> bytes = CDocumentFile::Store(controller);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 0x8B, bytes.begin() + 0x8B + 6),
              Hex({"FF FF FF FF 00 00"}));
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(bytes);
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok);
    EXPECT_EQ(loaded.pController->GetNotenblatt()->GetLength(), 65535 * 8);
    EXPECT_EQ(CDocumentFile::Store(*loaded.pController), bytes);
}

TEST(DocumentBytes, ExampleSongLoadsAndStoresUnchanged) {
    std::vector<uint8_t> bytes = ReadBytes(SourceDir() / "examples" / "beispiel.kt");
    CDocumentFile::LoadResult loaded = CDocumentFile::Parse(bytes);
    ASSERT_EQ(loaded.status, CDocumentFile::Status::ok);
    EXPECT_GE(loaded.pController->GetNotenblatt()->GetBarCount(), 6u);
    EXPECT_EQ(CDocumentFile::Store(*loaded.pController), bytes);
}
