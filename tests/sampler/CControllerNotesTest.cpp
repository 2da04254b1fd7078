#include <gtest/gtest.h>

#include "CArchive.h"
#include "CController.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CTakt.h"

namespace {

std::vector<int32_t> Glyphs(CController& controller) {
    std::vector<int32_t> glyphs;
    int32_t bNewBar = 0;
    for (CNote* p = controller.GetFirstNote(); p != nullptr; p = controller.GetNextNote(bNewBar)) {
        glyphs.push_back(p->GetBitmapId() + 100000 * bNewBar);
    }
    return glyphs;
}

}  // namespace

TEST(CControllerNotes, ForwardsEntryWalkAndDeletionToTheSheet) {
    CController controller;
    controller.AddNote(CPoint{200, 31}, 2, 0);
    controller.AddNote(CPoint{5, 31}, 8, 0);
    EXPECT_EQ(Glyphs(controller), (std::vector<int32_t>{4112, 5114, 5112, 104112}));
    EXPECT_EQ(controller.GetNotenblatt()->GetLength(), 10);
    controller.DeleteLastNote();
    EXPECT_EQ(Glyphs(controller), (std::vector<int32_t>{4112}));
    EXPECT_EQ(controller.GetSymbol(1), controller.GetNotenblatt()->GetSymbol(1));
    EXPECT_EQ(controller.GetSymbol(2)->GetBitmapId(), 4820);
    EXPECT_EQ(controller.GetSymbol(9), nullptr);
}

TEST(CControllerNotes, SerializeWritesAndReadsOneSheetRecord) {
    CController source;
    source.AddNote(CPoint{0, 49}, 1, 0);
    CArchive out;
    source.Serialize(out);
    const std::vector<uint8_t>& body = out.GetBuffer();
    ASSERT_GE(body.size(), 17u);
    EXPECT_EQ(std::string(body.begin() + 6, body.begin() + 17), "CNotenblatt");

    CController target;
    target.AddNote(CPoint{0, 31}, 8, 0);
    CArchive in(body, CController::SerialClasses());
    target.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_EQ(Glyphs(target), (std::vector<int32_t>{4211}));
}

TEST(CControllerNotes, LoadingAnotherRecordKeepsTheSheet) {
    CController target;
    target.AddNote(CPoint{0, 31}, 8, 0);
    CArchive out;
    CTakt bar;
    out.WriteObject(&bar);
    CArchive in(out.GetBuffer(), CController::SerialClasses());
    EXPECT_THROW(target.Serialize(in), CArchiveException);
    EXPECT_EQ(Glyphs(target), (std::vector<int32_t>{4118}));
}
