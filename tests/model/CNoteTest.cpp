#include <gtest/gtest.h>

#include "CArchive.h"
#include "CGlyphCatalog.h"
#include "CNote.h"
#include "SheetProbe.h"

namespace {

int32_t ShownGlyph(const CNote& note, int32_t& nWidth) {
    return note.GetBitmap(nWidth);
}

std::vector<uint8_t> NoteBody(const CNote& note) {
    CArchive ar;
    const_cast<CNote&>(note).Serialize(ar);
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

}  // namespace

TEST(CNote, TiedConstructionUsesTiedGlyphExceptForRests) {
    CNote tied(2, 440, 0, 1, 0, 4112);
    EXPECT_EQ(tied.GetBitmapId(), 5112);
    CNote tiedRest(2, 440, 1, 1, 0, 6102);
    EXPECT_EQ(tiedRest.GetBitmapId(), 6102);
    CNote untied(2, 440, 0, 0, 1, 4112);
    EXPECT_EQ(untied.GetBitmapId(), 4112);
    EXPECT_EQ(StateOf(tied), (NoteState{2, 440, 0, 1, 0, 5112, 0}));
}

TEST(CNote, SetTieToNextAddsTieOnceAndNeverToRests) {
    CNote note(2, 396, 0, 0, 0, 4612);
    note.SetTieToNext();
    EXPECT_EQ(note.GetBitmapId(), 5612);
    note.SetTieToNext();
    EXPECT_EQ(note.GetBitmapId(), 5612);
    EXPECT_EQ(StateOf(note).bTieToNext, 1);

    CNote rest(4, 396, 1, 0, 0, 6104);
    rest.SetTieToNext();
    EXPECT_EQ(rest.GetBitmapId(), 6104);
    EXPECT_EQ(StateOf(rest).bTieToNext, 1);
}

TEST(CNote, StaffSymbolWidths) {
    const std::pair<int32_t, int32_t> kSymbols[] = {{4800, 58}, {4810, 29}, {4820, 14}, {4880, 29}};
    for (auto [nGlyph, nExpectedWidth] : kSymbols) {
        CNote symbol(0, 0, 1, 0, 0, nGlyph);
        int32_t nWidth = 0;
        EXPECT_EQ(ShownGlyph(symbol, nWidth), nGlyph);
        EXPECT_EQ(nWidth, nExpectedWidth) << nGlyph;
    }
}

TEST(CNote, GlyphCatalogHoldsExactlyTheDrawnPictures) {
    // 13 pitches x 4 lengths, tied and untied, 4 rests, 4 staff symbols.
    EXPECT_EQ(CGlyphCatalog::AllGlyphs().size(), 13u * 4 * 2 + 4 + 4);
    const int32_t kPresent[] = {4111, 4118, 4714, 5718, 5211, 6101, 6108, 4800, 4880};
    for (int32_t nGlyph : kPresent) {
        EXPECT_TRUE(CGlyphCatalog::HasPicture(nGlyph)) << nGlyph;
        EXPECT_EQ(CGlyphCatalog::Width(nGlyph), nGlyph == 4800 ? 58 : 29);
    }
    const int32_t kAbsent[] = {0, 4110, 4113, 4115, 4730, 4811, 5800, 6100, 6103, 6118, 9999, -1};
    for (int32_t nGlyph : kAbsent) {
        EXPECT_FALSE(CGlyphCatalog::HasPicture(nGlyph)) << nGlyph;
        EXPECT_EQ(CGlyphCatalog::Resolve(nGlyph), 4800);
        EXPECT_EQ(CGlyphCatalog::Width(nGlyph), 58);
    }
}

TEST(CNote, BodyIsTwentyTwoBytesInFieldOrder) {
    CNote note(4, 330, 0, 1, 0, 4414);
    const std::vector<uint8_t> kExpected = {0x01, 0, 0, 0, 0, 0,    0,    0,    0,    0, 0,
                                            0,    4, 0, 0, 0, 0x4A, 0x01, 0x26, 0x15, 0, 0};
    EXPECT_EQ(NoteBody(note), kExpected);
}

TEST(CNote, LoadedTiedNoteKeepsStoredGlyph) {
    auto pNote = NoteFromBody(
        {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0x4A, 0x01, 0x26, 0x15, 0, 0});
    EXPECT_EQ(StateOf(*pNote), (NoteState{4, 330, 0, 1, 0, 5414, 0}));
    int32_t nWidth = 0;
    EXPECT_EQ(pNote->GetBitmap(nWidth), 5414);
    EXPECT_EQ(nWidth, 29);
}

TEST(CNote, UnknownStoredGlyphDrawsClefAndIsWrittenBack) {
    const std::vector<uint8_t> body = {0, 0, 0, 0, 0, 0,    0, 0,    0,    0, 0,
                                       0, 2, 0, 0, 0, 0xB8, 1, 0x0F, 0x27, 0, 0};  // 9999
    auto pNote = NoteFromBody(body);
    EXPECT_EQ(pNote->GetBitmapId(), 9999);
    int32_t nWidth = 0;
    EXPECT_EQ(pNote->GetBitmap(nWidth), 4800);
    EXPECT_EQ(nWidth, 58);
    EXPECT_EQ(NoteBody(*pNote), body);
}

TEST(CNote, PictureIsChosenByLowSixteenBits) {
    CNote note(2, 440, 0, 0, 0, 0x10000 + 4112);
    int32_t nWidth = 0;
    EXPECT_EQ(note.GetBitmap(nWidth), 4112);
    EXPECT_EQ(note.GetBitmapId(), 0x10000 + 4112);
}

TEST(CNote, BodyCutShortIsEndOfFile) {
    CNote note(2, 440, 0, 0, 0, 4112);
    std::vector<uint8_t> body = NoteBody(note);
    body.pop_back();
    const CRuntimeClass* const classes[] = {&CNote::classObject};
    CArchive ar(body, classes);
    CNote loaded;
    try {
        loaded.Serialize(ar);
        FAIL() << "short body accepted";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetCause(), CArchiveException::endOfFile);
        EXPECT_STREQ(e.what(), "Unerwartetes Dateiformat.");
    }
}
