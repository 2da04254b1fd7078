#include <gtest/gtest.h>

#include <numeric>

#include "SheetProbe.h"

namespace {

constexpr int32_t kSum = -100;

// Builds archive bytes by hand.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes& W(uint16_t w) {
        v.push_back(static_cast<uint8_t>(w));
        v.push_back(static_cast<uint8_t>(w >> 8));
        return *this;
    }
    Bytes& D(uint32_t d) { return W(static_cast<uint16_t>(d)).W(static_cast<uint16_t>(d >> 16)); }
    Bytes& NewClass(const std::string& strName, uint16_t wSchema = 1) {
        W(0xFFFF).W(wSchema).W(static_cast<uint16_t>(strName.size()));
        v.insert(v.end(), strName.begin(), strName.end());
        return *this;
    }
    Bytes& NoteBody(int32_t nDuration, uint16_t nPitch, int32_t nGlyph, int32_t bTieTo = 0,
                    int32_t bTieFrom = 0, int32_t bRest = 0) {
        return D(bTieTo).D(bTieFrom).D(bRest).D(nDuration).W(nPitch).D(nGlyph);
    }
    // A sheet record with its four symbols; CNotenblatt is class 1, CNote class 3.
    Bytes& SheetHead() {
        NewClass("CNotenblatt").NewClass("CNote").NoteBody(0, 0, 4820, 0, 0, 1);
        for (int32_t nGlyph : {4880, 4800, 4810}) {
            W(0x8003).NoteBody(0, 0, nGlyph, 0, 0, 1);
        }
        return *this;
    }
};

CArchiveException::Cause LoadFailure(const std::vector<uint8_t>& data) {
    try {
        LoadSheet(data);
    } catch (const CArchiveException& e) {
        EXPECT_STREQ(e.what(), "Unerwartetes Dateiformat.");
        return e.GetCause();
    }
    ADD_FAILURE() << "accepted";
    return CArchiveException::badContents;
}

// A sheet of bars given by their note lengths; the stored fill is their sum unless told.
struct BarSpec {
    std::vector<int32_t> lengths;
    int32_t nFill = kSum;
    int32_t nCapacity = 8;
    int32_t bRest = 0;
};

std::vector<uint8_t> SheetWithBars(const std::vector<BarSpec>& bars) {
    Bytes data;
    data.SheetHead().W(static_cast<uint16_t>(bars.size()));
    for (size_t b = 0; b < bars.size(); ++b) {
        const BarSpec& bar = bars[b];
        const int32_t nSum = std::accumulate(bar.lengths.begin(), bar.lengths.end(), 0);
        b == 0 ? data.NewClass("CTakt") : data.W(0x8008);
        data.D(bar.nFill == kSum ? nSum : bar.nFill).D(bar.nCapacity);
        data.W(static_cast<uint16_t>(bar.lengths.size()));
        for (int32_t n : bar.lengths) {
            data.W(0x8003).NoteBody(n, 440, 4110 + n, 0, 0, bar.bRest);
        }
    }
    return data.v;
}

std::vector<uint8_t> Written(uint32_t nCount) {
    CArchive ar;
    ar.WriteCount(nCount);
    return ar.GetBuffer();
}

uint32_t ReadBack(const std::vector<uint8_t>& data) {
    CArchive ar(data, kSheetClasses);
    uint32_t nCount = ar.ReadCount();
    EXPECT_EQ(ar.GetRemaining(), 0u);
    return nCount;
}

}  // namespace

TEST(CArchive, CountsFromFFFFOnAreEscaped) {
    EXPECT_EQ(Written(0), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(Written(0xFFFE), (std::vector<uint8_t>{0xFE, 0xFF}));
    EXPECT_EQ(Written(0xFFFF), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
    EXPECT_EQ(Written(0x12345678), (std::vector<uint8_t>{0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}));
    for (uint32_t n : {0u, 1u, 0xFFFEu, 0xFFFFu, 0x10000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ReadBack(Written(n)), n);
    }
    EXPECT_EQ(ReadBack({0xFF, 0xFF, 3, 0, 0, 0}), 3u);  // escape used for a small count
}

TEST(CArchive, SheetOfNineEighthsUsesClassNumbers) {
    CNotenblatt sheet;
    for (int i = 0; i < 9; ++i) {
        Click(sheet, 440, 1);
    }
    std::vector<uint8_t> bytes = StoreSheet(sheet);
    // Sheet class 1, sheet 2, CNote 3, symbols 4-7, CTakt 8, bar 9, notes 10-17, bar 18.
    Bytes expected;
    expected.SheetHead().W(2).NewClass("CTakt").D(8).D(8).W(8);
    for (int i = 0; i < 8; ++i) {
        expected.W(0x8003).NoteBody(1, 440, 4111);
    }
    expected.W(0x8008).D(1).D(8).W(1).W(0x8003).NoteBody(1, 440, 4111);
    EXPECT_EQ(bytes, expected.v);
    EXPECT_EQ(StoreSheet(*LoadSheet(bytes)), bytes);
}

TEST(CArchive, ReferencesBeyond7FFEAreEscaped) {
    CArchive ar;
    std::vector<std::unique_ptr<CNote>> notes;
    for (int i = 0; i < 0x7FFF; ++i) {
        notes.push_back(std::make_unique<CNote>(1, 440, 0, 0, 0, 4111));
        ar.WriteObject(notes.back().get());
    }
    size_t nSize = ar.GetBuffer().size();
    ar.WriteObject(notes[0].get());       // object 2
    ar.WriteObject(notes[0x7FFC].get());  // object 0x7FFE
    ar.WriteObject(notes[0x7FFD].get());  // object 0x7FFF
    ar.WriteObject(nullptr);
    std::vector<uint8_t> tail(ar.GetBuffer().begin() + static_cast<std::ptrdiff_t>(nSize),
                              ar.GetBuffer().end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x02, 0x00, 0xFE, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0x00,
                                          0x00, 0x00, 0x00}));
}

TEST(CArchive, EscapedClassTagIsRead) {
    Bytes data;
    data.NewClass("CNotenblatt").NewClass("CNote").NoteBody(0, 0, 4820, 0, 0, 1);
    data.W(0x7FFF).D(0x80000003).NoteBody(0, 0, 4880, 0, 0, 1);
    data.W(0x8003).NoteBody(0, 0, 4800, 0, 0, 1).W(0x8003).NoteBody(0, 0, 4810, 0, 0, 1).W(0);
    std::unique_ptr<CNotenblatt> pSheet = LoadSheet(data.v);
    EXPECT_EQ(pSheet->GetSymbol(CNotenblatt::kSymbolStaff)->GetBitmapId(), 4880);
}

TEST(CArchive, RecordsOfTheWrongKindAreRejected) {
    auto withStaffTag = [](std::initializer_list<uint16_t> tag) {
        Bytes data;
        data.NewClass("CNotenblatt").NewClass("CNote").NoteBody(0, 0, 4820, 0, 0, 1);
        for (uint16_t w : tag) {
            data.W(w);
        }
        return data.NoteBody(0, 0, 4880, 0, 0, 1).v;
    };
    Bytes shortName;
    shortName.W(0xFFFF).W(1).W(11).v.push_back('C');
    const auto bad = CArchiveException::badClass, index = CArchiveException::badIndex;
    const std::pair<std::vector<uint8_t>, CArchiveException::Cause> kCases[] = {
        {withStaffTag({0x0000}), bad},  // null
        {withStaffTag({0x0004}), bad},  // the row's end again
        {withStaffTag({0x0005}), index},
        {withStaffTag({0x8000}), index},
        {withStaffTag({0x8005}), index},
        {withStaffTag({0x8002}), bad},  // the sheet
        {withStaffTag({0x8004}), bad},  // an object
        {withStaffTag({0x8001}), bad},  // CNotenblatt
        {withStaffTag({0x7FFF, 0x0004, 0x0000}), bad},
        {withStaffTag({0x7FFF, 0x0000, 0x8000}), index},
        {withStaffTag({0x7FFF, 0x0002, 0x8000}), bad},
        {withStaffTag({0x7FFF, 0x0009, 0x8000}), index},
        {Bytes().NewClass("CNotenblatT").v, bad},
        {Bytes().NewClass("CNotenblat").v, bad},
        {Bytes().NewClass("CNotenblatt", 2).v, CArchiveException::badSchema},
        {Bytes().NewClass("CNotenblatt", 0).v, CArchiveException::badSchema},
        {Bytes().NewClass("CTakt").v, bad},
        {Bytes().NewClass(std::string(64, 'C')).v, bad},
        {shortName.v, bad},
        {{}, CArchiveException::endOfFile},
        {{0xFF}, CArchiveException::endOfFile},
        {{0x01, 0x80}, index},
        // List elements of another class; a sheet as a bar would nest without end.
        {Bytes().SheetHead().W(1).W(0x8003).NoteBody(2, 440, 4112).v, bad},
        {Bytes().SheetHead().W(1).W(0x8001).v, bad},
        {Bytes().SheetHead().W(1).NewClass("CTakt").D(0).D(8).W(1).W(0x8008).D(0).D(8).W(0).v, bad},
        // Huge counts without elements.
        {Bytes().SheetHead().W(0xFFFF).D(0xFFFFFFFF).v, CArchiveException::endOfFile},
        {Bytes().SheetHead().W(1).NewClass("CTakt").D(2).D(8).W(0xFFFF).D(0xFFFFFFFF).v,
         CArchiveException::badContents},
    };
    for (size_t i = 0; i < std::size(kCases); ++i) {
        EXPECT_EQ(LoadFailure(kCases[i].first), kCases[i].second) << "case " << i;
    }
}

TEST(CArchive, BarsThatNoEntryCanMakeAreRejected) {
    EXPECT_EQ(LoadSheet(SheetWithBars({{{8}}, {{4, 2}}}))->GetLength(), 14);
    EXPECT_EQ(LoadSheet(SheetWithBars({{{8}}, {{}}}))->GetBarCount(), 2u);
    const std::vector<BarSpec> kBad[] = {{{{2}, 2, 9}},
                                         {{{2}, 2, 7}},
                                         {{{}, -1}},
                                         {{{8, 1}}},
                                         {{{2}, 3}},
                                         {{{1, 2}, 2}},
                                         {{{3}}},
                                         {{{0}}},
                                         {{{-2}}},
                                         {{{6}}},
                                         {{{2}, 2, 8, 2}},
                                         {{{8, 8}}},
                                         {{{1, 1, 1, 1, 1, 1, 1, 1, 1}, 8}},
                                         // Only the last bar may be unfilled.
                                         {{{4}}, {{8}}},
                                         {{{}}, {{8}}},
                                         {{{8}}, {{}}, {{2}}}};
    for (size_t i = 0; i < std::size(kBad); ++i) {
        EXPECT_EQ(LoadFailure(SheetWithBars(kBad[i])), CArchiveException::badContents) << i;
    }
}

TEST(CArchive, UnpairedTiesLoadAndStayHarmless) {
    Bytes data;  // the first note is tied from nothing, the last tied to nothing
    data.SheetHead().W(2).NewClass("CTakt").D(8).D(8).W(2);
    data.W(0x8003).NoteBody(4, 440, 4114, 0, 1).W(0x8003).NoteBody(4, 396, 4614, 0, 1);
    data.W(0x8008).D(2).D(8).W(1).W(0x8003).NoteBody(2, 264, 5212, 1, 1);
    std::unique_ptr<CNotenblatt> pSheet = LoadSheet(data.v);
    EXPECT_EQ(StoreSheet(*pSheet), data.v);
    Click(*pSheet, 264, 2, 1);
    EXPECT_EQ(pSheet->GetLength(), 12);
    pSheet->DeleteLastNote();  // the whole chain back to the first note
    EXPECT_EQ(pSheet->GetBarCount(), 0u);
    pSheet->DeleteLastNote();
    EXPECT_EQ(pSheet->GetFirstNote(), nullptr);
}
