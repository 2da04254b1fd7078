#include <gtest/gtest.h>

#include "CArchive.h"
#include "SheetProbe.h"

namespace {

std::vector<uint8_t> NoteBody(CNote& note) {
    CArchive ar;
    note.Serialize(ar);
    return ar.GetBuffer();
}

std::unique_ptr<CNote> NoteFromBody(const std::vector<uint8_t>& body) {
    const CRuntimeClass* const classes[] = {&CNote::classObject};
    CArchive ar(body, classes);
    auto pNote = std::make_unique<CNote>();
    pNote->Serialize(ar);
    EXPECT_EQ(ar.GetRemaining(), 0u);
    return pNote;
}

std::vector<NoteState> NotesOf(CTakt& bar) {
    std::vector<NoteState> notes;
    for (CNote* p = bar.GetFirstNote(); p != nullptr; p = bar.GetNextNote()) {
        notes.push_back(StateOf(*p));
    }
    return notes;
}

}  // namespace

TEST(CNote, TiedGlyphsNeverOnRests) {
    EXPECT_EQ(StateOf(CNote(2, 440, 0, 1, 0, 4112)), (NoteState{2, 440, 0, 1, 0, 5112, 0}));
    EXPECT_EQ(CNote(2, 440, 1, 1, 0, 6102).GetBitmapId(), 6102);
    EXPECT_EQ(CNote(2, 440, 0, 0, 1, 4112).GetBitmapId(), 4112);
    CNote note(2, 396, 0, 0, 0, 4612);
    note.SetTieToNext();
    note.SetTieToNext();  // the tie is added once
    EXPECT_EQ(StateOf(note), (NoteState{2, 396, 0, 1, 0, 5612, 0}));
    CNote rest(4, 396, 1, 0, 0, 6104);
    rest.SetTieToNext();
    EXPECT_EQ(StateOf(rest), (NoteState{4, 396, 1, 1, 0, 6104, 0}));
}

TEST(CNote, BodyBytesAndStoredGlyphs) {
    // Tie to, tie from, rest, length, pitch, glyph.
    const std::vector<uint8_t> kTied = {1, 0, 0, 0, 0, 0,    0, 0,    0,    0, 0,
                                        0, 4, 0, 0, 0, 0x4A, 1, 0x26, 0x15, 0, 0};
    CNote note(4, 330, 0, 1, 0, 4414);
    EXPECT_EQ(NoteBody(note), kTied);
    EXPECT_EQ(StateOf(*NoteFromBody(kTied)), (NoteState{4, 330, 0, 1, 0, 5414, 0}));
    // Glyphs without a picture draw the clef and are written back as they were; the picture
    // is chosen by the low 16 bits.
    for (int32_t nGlyph : {9999, 4113, 6103, 0, 0x10000 + 4112}) {
        std::vector<uint8_t> body = kTied;
        body[0] = 0;
        for (int i = 0; i < 4; ++i) {
            body[18 + i] = static_cast<uint8_t>(nGlyph >> (8 * i));
        }
        std::unique_ptr<CNote> pNote = NoteFromBody(body);
        EXPECT_EQ(pNote->GetBitmapId(), nGlyph);
        int32_t nWidth = 0;
        EXPECT_EQ(pNote->GetBitmap(nWidth), nGlyph > 0xFFFF ? 4112 : 4800) << nGlyph;
        EXPECT_EQ(nWidth, nGlyph > 0xFFFF ? 29 : 58);
        EXPECT_EQ(NoteBody(*pNote), body);
    }
    std::vector<uint8_t> cut(kTied.begin(), kTied.end() - 1);
    try {
        NoteFromBody(cut);
        FAIL() << "short body accepted";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetCause(), CArchiveException::endOfFile);
        EXPECT_STREQ(e.what(), "Unerwartetes Dateiformat.");
    }
}

TEST(CTakt, FillRemoveAndTie) {
    CTakt bar;
    int32_t nFree = -1;
    EXPECT_EQ(bar.GetFill(nFree), 0);
    EXPECT_EQ(nFree, 8);
    EXPECT_EQ(bar.RemoveLastNote(), 0);
    EXPECT_EQ(bar.TieLastNote(440), 0);
    EXPECT_EQ(bar.AddNote(440, 4, 0, 0, 0, 4110), 1);
    bar.AddNote(440, 2, 0, 1, 0, 4110);
    bar.AddNote(440, 1, 0, 0, 1, 4110);
    EXPECT_EQ(bar.GetFill(nFree), 7);
    EXPECT_EQ(nFree, 1);
    EXPECT_EQ(bar.RemoveLastNote(), 0);  // the tie chain within the bar goes as one
    EXPECT_EQ(NotesOf(bar), (std::vector<NoteState>{{4, 440, 0, 0, 0, 4114, 0}}));
    EXPECT_EQ(bar.TieLastNote(396), 0);
    EXPECT_EQ(bar.TieLastNote(440), 1);
    bar.AddNote(352, 1, 1, 0, 0, 6100);  // a rest at F4's height ties, its glyph stays
    EXPECT_EQ(bar.TieLastNote(352), 1);
    EXPECT_EQ(NotesOf(bar),
              (std::vector<NoteState>{{4, 440, 0, 1, 0, 5114, 0}, {1, 352, 1, 1, 0, 6101, 0}}));
    // A chain reaching into the previous bar is reported.
    CTakt next;
    next.AddNote(440, 2, 0, 0, 1, 4110);
    EXPECT_EQ(next.RemoveLastNote(), 101);
    EXPECT_TRUE(next.IsEmpty());
    next.AddNote(440, 2, 0, 0, 0, 4110);
    EXPECT_EQ(next.RemoveLastNote(), 100);
}
