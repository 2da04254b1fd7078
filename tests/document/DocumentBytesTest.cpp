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

}  // namespace

TEST(DocumentBytes, UntouchedSongAndOneQuarterByteForByte) {
    EXPECT_EQ(CDocumentFile::Store(CController()), Hex(kHead + "00 00"));
    const Bytes kOneQuarter = Hex(kHead + R"(01 00 FF FF 01 00 05 00 "CTakt")"
                                          " 02 00 00 00 08 00 00 00 01 00 05 80"
                                          " 00 00 00 00 00 00 00 00 00 00 00 00"
                                          " 02 00 00 00 B8 01 10 10 00 00");
    CController controller;
    Click(controller, 440, 2);
    EXPECT_EQ(CDocumentFile::Store(controller), kOneQuarter);
    EXPECT_EQ(ReadBytes(ExampleFile("example.kt")), kOneQuarter);
}

// Cut anywhere, or with a class unknown, of another schema or missing, a song file is refused.
TEST(DocumentRejection, TruncationsAndWrongRecordsAreFormatErrors) {
    const Bytes bytes = ReadBytes(ExampleFile("beispiel.kt"));
    std::vector<std::pair<std::string, Bytes>> cases;
    for (size_t n = 1; n < bytes.size(); ++n) {
        cases.emplace_back("cut at " + std::to_string(n), Bytes(bytes.begin(), bytes.begin() + n));
    }
    for (const auto& [nAt, replaced] :
         {std::pair<size_t, Bytes>{16, {'s'}}, {2, {2}}, {0, {0, 0}}}) {
        cases.emplace_back("changed at " + std::to_string(nAt), bytes);
        std::copy(replaced.begin(), replaced.end(), cases.back().second.begin() + nAt);
    }
    for (const auto& [strWhat, changed] : cases) {
        std::unique_ptr<CController> pLoaded;
        const CFileResult result = CDocumentFile::Parse(changed, pLoaded);
        EXPECT_EQ(std::tuple(result.kind, result.message, pLoaded.get()),
                  std::tuple(CFileResult::Kind::formatError, "Unerwartetes Dateiformat.", nullptr))
            << strWhat;
    }
}
