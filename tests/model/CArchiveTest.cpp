#include <gtest/gtest.h>

#include <numeric>

#include "SheetProbe.h"

namespace {

// Builds archive bytes by hand.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes& W(uint16_t w) {
        v.insert(v.end(), {uint8_t(w), uint8_t(w >> 8)});
        return *this;
    }
    Bytes& D(uint32_t d) { return W(uint16_t(d)).W(uint16_t(d >> 16)); }
    Bytes& NewClass(const std::string& strName) {
        W(0xFFFF).W(1).W(uint16_t(strName.size()));
        v.insert(v.end(), strName.begin(), strName.end());
        return *this;
    }
    Bytes& NoteBody(int32_t nDuration, uint16_t nPitch, int32_t nGlyph, int32_t bTieTo = 0,
                    int32_t bTieFrom = 0, int32_t bRest = 0) {
        return D(bTieTo).D(bTieFrom).D(bRest).D(nDuration).W(nPitch).D(nGlyph);
    }
    Bytes& Symbol(int32_t nGlyph) { return NoteBody(0, 0, nGlyph, 0, 0, 1); }
    // A sheet record with its four symbols; CNotenblatt is class 1, CNote class 3.
    Bytes& SheetHead() {
        NewClass("CNotenblatt").NewClass("CNote").Symbol(4820);
        return W(0x8003).Symbol(4880).W(0x8003).Symbol(4800).W(0x8003).Symbol(4810);
    }
};

// A sheet of bars given by their note lengths, the stored fill (-1: their sum), capacity
// and whether the notes are rests.
std::vector<uint8_t> SheetWithBars(const std::vector<std::vector<int32_t>>& bars,
                                   int32_t nFill = -1, int32_t nCapacity = 8, int32_t bRest = 0) {
    Bytes data;
    data.SheetHead().W(uint16_t(bars.size()));
    for (const std::vector<int32_t>& bar : bars) {
        const int32_t nSum = std::accumulate(bar.begin(), bar.end(), 0);
        &bar == &bars[0] ? data.NewClass("CTakt") : data.W(0x8008);
        data.D(nFill == -1 ? nSum : nFill).D(nCapacity).W(uint16_t(bar.size()));
        for (int32_t n : bar) {
            data.W(0x8003).NoteBody(n, 440, 4110 + n, 0, 0, bRest);
        }
    }
    return data.v;
}

}  // namespace

// Unknown classes, other schemas and files cut short are refused in the document's tests.
TEST(CArchive, RecordsAndBarsThatNoEntryCanMakeAreRejected) {
    EXPECT_EQ(LoadSheet(SheetWithBars({{8}, {4, 2}}))->GetLength(), 14);
    EXPECT_EQ(LoadSheet(SheetWithBars({{8}, {}}))->GetBarCount(), 2u);
    const auto bad = CArchiveException::badContents;
    const std::pair<std::vector<uint8_t>, CArchiveException::Cause> kCases[] = {
        {Bytes().SheetHead().W(1).W(0x7FFF).D(0x80000009).v, CArchiveException::badIndex},
        {Bytes().SheetHead().W(1).W(0x8003).NoteBody(2, 440, 4112).v, CArchiveException::badClass},
        // A huge count without elements reserves nothing.
        {Bytes().SheetHead().W(0xFFFF).D(0xFFFFFFFF).v, CArchiveException::endOfFile},
        // Wrong capacity, fill or length (overfull ones too), a rest flag of 2, more notes than
        // eighths; only the last bar may be unfilled.
        {SheetWithBars({{2}}, 2, 9), bad},
        {SheetWithBars({{1, 2}}, 2), bad},
        {SheetWithBars({{3}}), bad},
        {SheetWithBars({{2}}, 2, 8, 2), bad},
        {Bytes().SheetHead().W(1).NewClass("CTakt").D(2).D(8).W(0xFFFF).D(0xFFFFFFFF).v, bad},
        {SheetWithBars({{4}, {8}}), bad}};
    for (size_t i = 0; i < std::size(kCases); ++i) {
        try {
            LoadSheet(kCases[i].first);
            ADD_FAILURE() << "case " << i << " accepted";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), kCases[i].second) << "case " << i;
        }
    }
}
