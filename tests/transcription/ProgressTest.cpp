// The transcription tells how far it is and stops when told to: the editor's progress dialog
// and its "Abbrechen" rely on it.
#include <gtest/gtest.h>

#include "TranscriptionTestKit.h"

namespace {

const char* const kEntries = "C4/2 C4/2 G4/1 A4/1 G4/4 E4/12 D4/2 C4/8";

// The percentages told while strPath is transcribed, with the result.
std::vector<int> Told(const std::string& strPath, CTranscriber::SResult& result) {
    std::vector<int> told;
    CTranscriber::SOptions options;
    options.progress = [&told](int nPercent) {
        told.push_back(nPercent);
        return true;
    };
    result = CTranscriber::TranscribeFile(strPath, options);
    return told;
}

}  // namespace

// The share done rises to a hundred; stopped at any report, the work ends there: no song, no
// message, no notice, no further report. A recording without a melody is answered, not
// cancelled, and never reaches a hundred.
TEST(TranscriptionProgress, RisesToAHundredAndStopsWhereverItIsCancelled) {
    ScratchDir dir;
    // Long enough to be read in several blocks.
    Render(std::string(kEntries) + " " + kEntries + " " + kEntries, "Standard",
           dir.File("lied.wav"));
    CTranscriber::SResult result;
    const std::vector<int> told = Told(dir.File("lied.wav"), result);
    ASSERT_NE(result.pController, nullptr) << result.strMessage;
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_GE(told.front(), 0);
    EXPECT_EQ(told.back(), 100);
    const size_t nReports = told.size();
    ASSERT_GT(nReports, 5u);  // reading in blocks, the frames, the grid, the notes, the score
    for (size_t nStop = 0; nStop < nReports; ++nStop) {
        SCOPED_TRACE(nStop);
        size_t nCalls = 0;
        CTranscriber::SOptions options;
        options.progress = [&](int) { return nCalls++ < nStop; };
        const CTranscriber::SResult stopped =
            CTranscriber::TranscribeFile(dir.File("lied.wav"), options);
        EXPECT_TRUE(stopped.bCancelled);
        EXPECT_EQ(stopped.pController, nullptr);
        EXPECT_EQ(stopped.strMessage, "");
        EXPECT_TRUE(stopped.notices.empty());
        EXPECT_TRUE(stopped.notes.empty());
        EXPECT_EQ(nCalls, nStop + 1);
    }
    Render("C4/18 C4/18", "Standard", dir.File("stille.wav"));
    const std::vector<int> silent = Told(dir.File("stille.wav"), result);
    EXPECT_EQ(std::tuple(result.pController == nullptr, result.bCancelled),
              std::tuple(true, false));
    EXPECT_TRUE(std::is_sorted(silent.begin(), silent.end()));
    EXPECT_TRUE(silent.empty() || silent.back() < 100);
}
