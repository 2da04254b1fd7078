#include <gtest/gtest.h>

#include "CArchive.h"
#include "CNote.h"
#include "CTakt.h"
#include "SheetProbe.h"

namespace {

std::vector<NoteState> NotesOf(CTakt& bar) {
    std::vector<NoteState> notes;
    for (CNote* p = bar.GetFirstNote(); p != nullptr; p = bar.GetNextNote()) {
        notes.push_back(StateOf(*p));
    }
    return notes;
}

int32_t Used(const CTakt& bar, int32_t& nFree) {
    return bar.GetFill(nFree);
}

}  // namespace

TEST(CTakt, FillCountsAddedLengths) {
    CTakt bar;
    int32_t nFree = -1;
    EXPECT_EQ(Used(bar, nFree), 0);
    EXPECT_EQ(nFree, 8);
    EXPECT_EQ(bar.AddNote(396, 4, 0, 0, 0, 4610), 1);
    bar.AddNote(396, 2, 0, 0, 0, 4610);
    bar.AddNote(396, 1, 1, 0, 0, 6100);
    EXPECT_EQ(Used(bar, nFree), 7);
    EXPECT_EQ(nFree, 1);
    std::vector<NoteState> notes = NotesOf(bar);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].nGlyph, 4614);
    EXPECT_EQ(notes[1].nGlyph, 4612);
    EXPECT_EQ(notes[2].nGlyph, 6101);
}

TEST(CTakt, RemoveLastNoteOnEmptyBar) {
    CTakt bar;
    EXPECT_EQ(bar.RemoveLastNote(), 0);
    int32_t nFree = 0;
    EXPECT_EQ(Used(bar, nFree), 0);
    EXPECT_EQ(bar.GetFirstNote(), nullptr);
}

TEST(CTakt, RemoveLastNoteTakesTheTieChainWithinTheBar) {
    CTakt bar;
    bar.AddNote(440, 4, 0, 0, 0, 4110);
    bar.AddNote(440, 2, 0, 1, 0, 4110);
    bar.AddNote(440, 1, 0, 0, 1, 4110);
    EXPECT_EQ(bar.RemoveLastNote(), 0);
    int32_t nFree = 0;
    EXPECT_EQ(Used(bar, nFree), 4);
    ASSERT_EQ(NotesOf(bar).size(), 1u);
    EXPECT_EQ(NotesOf(bar)[0].nGlyph, 4114);
}

TEST(CTakt, RemoveLastNoteReportsChainIntoPreviousBar) {
    CTakt bar;
    bar.AddNote(440, 2, 0, 0, 1, 4110);
    EXPECT_EQ(bar.RemoveLastNote(), 101);
    EXPECT_TRUE(bar.IsEmpty());

    CTakt other;
    other.AddNote(440, 2, 0, 0, 0, 4110);
    EXPECT_EQ(other.RemoveLastNote(), 100);
}

TEST(CTakt, TieLastNoteOnlyAtSamePitch) {
    CTakt bar;
    EXPECT_EQ(bar.TieLastNote(440), 0);
    bar.AddNote(440, 2, 0, 0, 0, 4110);
    EXPECT_EQ(bar.TieLastNote(396), 0);
    EXPECT_EQ(NotesOf(bar)[0].nGlyph, 4112);
    EXPECT_EQ(bar.TieLastNote(440), 1);
    EXPECT_EQ(NotesOf(bar)[0], (NoteState{2, 440, 0, 1, 0, 5112, 0}));

    bar.AddNote(352, 1, 1, 0, 0, 6100);  // a rest at F4's height qualifies, glyph stays
    EXPECT_EQ(bar.TieLastNote(352), 1);
    EXPECT_EQ(NotesOf(bar)[1], (NoteState{1, 352, 1, 1, 0, 6101, 0}));
}

TEST(CTakt, StoresFillCapacityCountAndNotes) {
    CTakt bar;
    bar.AddNote(440, 2, 0, 0, 0, 4110);
    CArchive ar;
    bar.Serialize(ar);
    const std::vector<uint8_t> kHead = {2,    0, 0, 0, 8, 0,   0,   0,   1,   0,  0xFF,
                                        0xFF, 1, 0, 5, 0, 'C', 'N', 'o', 't', 'e'};
    const std::vector<uint8_t>& bytes = ar.GetBuffer();
    ASSERT_EQ(bytes.size(), kHead.size() + 22);
    EXPECT_TRUE(std::equal(kHead.begin(), kHead.end(), bytes.begin()));
}
