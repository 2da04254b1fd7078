#include <gtest/gtest.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "SheetProbe.h"
#include "TestFiles.h"

// The untouched song is the example (a song of one quarter) up to its bar count, at 008B,
// with no bars.
TEST(DocumentBytes, UntouchedSongAndOneQuarterByteForByte) {
    const Bytes kOneQuarter = ReadBytes(ExampleFile("example.kt"));
    ASSERT_GT(kOneQuarter.size(), 0x8Bu);
    Bytes untouched(kOneQuarter.begin(), kOneQuarter.begin() + 0x8B);
    untouched.insert(untouched.end(), {0, 0});
    EXPECT_EQ(CDocumentFile::Store(CController()), untouched);
    CController controller;
    Click(controller, 440, 2);
    EXPECT_EQ(CDocumentFile::Store(controller), kOneQuarter);
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
