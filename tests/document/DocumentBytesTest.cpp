#include <gtest/gtest.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "SheetProbe.h"
#include "TestFiles.h"

namespace {

// The untouched song up to the bar count, offsets 0000 to 008A.
const std::string kHead =
    R"(FF FF 01 00 0B 00 "CController" FF FF 01 00 0B 00 "CNotenblatt" FF FF 01 00 05 00 "CNote")"
    " 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 D4 12 00 00"
    " 05 80 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 10 13 00 00"
    " 05 80 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 C0 12 00 00"
    " 05 80 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 CA 12 00 00 ";

void ExpectFormatError(const Bytes& bytes, const std::string& strWhat) {
    std::unique_ptr<CController> pLoaded;
    const CFileResult result = CDocumentFile::Parse(bytes, pLoaded);
    EXPECT_EQ(std::tuple(result.kind, result.message, pLoaded.get()),
              std::tuple(CFileResult::Kind::formatError, "Unerwartetes Dateiformat.", nullptr))
        << strWhat;
}

}  // namespace

TEST(DocumentBytes, UntouchedSongAndOneQuarterByteForByte) {
    const Bytes kEmpty = Hex(kHead + "00 00");
    EXPECT_EQ(CDocumentFile::Store(CController()), kEmpty);
    const Bytes kOneQuarter = Hex(kHead + R"(01 00 FF FF 01 00 05 00 "CTakt")"
                                          " 02 00 00 00 08 00 00 00 01 00 05 80"
                                          " 00 00 00 00 00 00 00 00 00 00 00 00"
                                          " 02 00 00 00 B8 01 10 10 00 00");
    CController controller;
    Click(controller, 440, 2);
    EXPECT_EQ(CDocumentFile::Store(controller), kOneQuarter);
    EXPECT_EQ(ReadBytes(ExampleFile("example.kt")), kOneQuarter);
    std::unique_ptr<CController> pLoaded;
    ASSERT_TRUE(CDocumentFile::Parse(kOneQuarter, pLoaded).Ok());
    EXPECT_EQ(CDocumentFile::Store(*pLoaded), kOneQuarter);
    // An empty file is an empty song.
    ASSERT_TRUE(CDocumentFile::Parse({}, pLoaded).Ok());
    EXPECT_EQ(CDocumentFile::Store(*pLoaded), kEmpty);
}

TEST(DocumentBytes, LaterBarsUseClassNumbersAndCountsFrom65535AreEscaped) {
    CController controller;
    for (int i = 0; i < 9; ++i) {
        Click(controller, 440, 1);
    }
    Bytes bytes = CDocumentFile::Store(controller);
    // Head, count, bar 1 (class record, 8 bytes, count, 8 notes of 24 bytes), then bar 2.
    const size_t nBar2 = 0x8B + 2 + 11 + 8 + 2 + 8 * 24;
    ASSERT_EQ(bytes.size(), nBar2 + 2 + 8 + 2 + 24);
    EXPECT_EQ(Bytes(bytes.begin() + nBar2, bytes.begin() + nBar2 + 14),
              Hex("0A 80 01 00 00 00 08 00 00 00 01 00 05 80"));
    EXPECT_EQ(bytes[0x8B], 2);
    while (controller.GetNotenblatt()->GetBarCount() < 65535) {
        Click(controller, 264, 8);
    }
    bytes = CDocumentFile::Store(controller);
    EXPECT_EQ(Bytes(bytes.begin() + 0x8B, bytes.begin() + 0x8B + 6), Hex("FF FF FF FF 00 00"));
    std::unique_ptr<CController> pLoaded;
    ASSERT_TRUE(CDocumentFile::Parse(bytes, pLoaded).Ok());
    EXPECT_EQ(CDocumentFile::Store(*pLoaded), bytes);
}

TEST(DocumentRejection, TruncationsAndWrongRecordsAreFormatErrors) {
    CController controller;  // a song with ties within and across bars, and rests
    for (const auto& [nPitch, nTool, bTie] :
         {std::tuple{440, 2, 0}, {440, 8, 0}, {440, 18, 1}, {528, 13, 0}, {528, 4, 1}}) {
        Click(controller, uint16_t(nPitch), nTool, bTie);
    }
    const Bytes bytes = CDocumentFile::Store(controller);
    std::unique_ptr<CController> pLoaded;
    ASSERT_TRUE(CDocumentFile::Parse(bytes, pLoaded).Ok());
    for (size_t n = 1; n < bytes.size(); ++n) {
        ExpectFormatError(Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)),
                          "cut at " + std::to_string(n));
    }
    // Bytes changed at an offset, with the rest of the file kept and cut off after them.
    const std::tuple<const char*, size_t, Bytes> kCases[] = {
        {"class name CControlles", 16, {'s'}},
        {"names compare case-sensitively", 6, {'c'}},
        {"schema", 2, {2}},
        {"null controller", 0, {0x00, 0x00}},
        {"no sheet", 0x11, {0x00, 0x00}},
        {"the controller as its own sheet", 0x11, {0x02, 0x00}},
    };
    for (const auto& [pszWhat, nAt, replaced] : kCases) {
        Bytes changed = bytes;
        std::copy(replaced.begin(), replaced.end(), changed.begin() + std::ptrdiff_t(nAt));
        ExpectFormatError(changed, pszWhat);
        changed.resize(nAt + replaced.size());
        ExpectFormatError(changed, pszWhat + std::string(", cut"));
    }
}
